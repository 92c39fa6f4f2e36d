# Assembles one edition's payload folder. Variables: OUT (folder), STUB (product-stub),
# MAIN (Corvex.exe or Corvex64.exe), STATIC (folder of committed files), FILLER (file).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/data")
foreach(name "${MAIN}" VexRepair.exe VexUpdate.exe)
  file(COPY_FILE "${STUB}" "${OUT}/${name}")
  file(CHMOD "${OUT}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
endforeach()
file(COPY "${STATIC}/README.txt" "${STATIC}/corvex.svg" DESTINATION "${OUT}")
file(CREATE_LINK "${FILLER}" "${OUT}/data/filler.bin" COPY_ON_ERROR)
