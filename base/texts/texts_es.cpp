#include "base/texts/text_tables.h"

namespace base {

// Shown for Spanish and for Catalan systems alike.
const LanguageTable kSpanishTexts = {
    UiLanguage::Spanish,
    {
        /*  0 */ L"Instalar",
        /*  1 */ L"Personalizar",
        /*  2 */ L"Acepto",
        /*  3 */ L"el contrato de licencia de usuario",
        /*  4 */ L"Crear un acceso directo en el escritorio",
        /*  5 */ L"Crear un acceso directo en el menú Inicio",
        /*  6 */ L"Ejecutar al iniciar el sistema",
        /*  7 */ L"Unirse al",
        /*  8 */ L"Programa de mejora de la experiencia del usuario",
        /*  9 */ L"Iniciar __PRODUCT_NAME__",
        /* 10 */ L"¿Seguro que desea salir de la instalación de __PRODUCT_NAME__?",
        /* 11 */ L"Aceptar",
        /* 12 */ L"Cancelar",
        /* 13 */
        L"No se puede continuar con la instalación porque __PRODUCT_NAME__ ya se está ejecutando. "
        L"Ciérrelo e inténtelo de nuevo, o fuerce su cierre.",
        /* 14 */ L"Reintentar",
        /* 15 */ L"Forzar cierre",
        /* 16 */ L"Crear un icono de inicio rápido",
        /* 17 */ L"Seleccione una carpeta de la lista siguiente y haga clic en Aceptar.",
        /* 18 */ L"Novedades",
        /* 19 */ L"Sí",
        /* 20 */ L"No",
        /* 21 */ L"Instalando...",
        /* 22 */ L"¿Seguro que desea desinstalar?",
        /* 23 */ L"Desinstalar",
        /* 24 */ L"Conservar mi configuración personal.",
        /* 25 */ L"Desinstalando...",
        /* 26 */ L"¡Desinstalación completada! ¡Gracias por su apoyo!",
        /* 27 */ L"Finalizar",
        /* 28 */ L"Windows XP ya no es compatible.",
        /* 29 */ L"Windows Vista ya no es compatible.",
        /* 30 */ L"La ruta de instalación no es válida.",
        /* 31 */ L"No hay suficiente espacio libre en la unidad seleccionada.",
        /* 32 */
        L"¡Vaya! Esta versión de __PRODUCT_NAME__ solo funciona en sistemas operativos de 64 bits. "
        L"Descargue e instale la versión de 32 bits.",
        /* 33 */ L"Actualmente, __PRODUCT_NAME__ solo funciona en Windows de 64 bits.",
        /* 34 */ L"Desinstalar",
        /* 35 */ L"Desinstalar aplicación",
        /* 36 */ L"Aplicación",
        /* 37 */ L"En línea",
        /* 38 */ L"Página de inicio",
        /* 39 */ L"Debe reiniciar el equipo para instalar la nueva versión. ¿Desea continuar?",
        /* 40 */ L"Reiniciar",
        /* 41 */ L"Error en la descarga. Vuelva a intentarlo o descargue el instalador sin conexión desde",
        /* 42 */ L"El instalador en línea está obsoleto. Descargue la versión más reciente desde",
        /* 43 */ L"Descargando...",
        /* 44 */ L"Comprobando los datos, espere...",
        /* 45 */ L"Obteniendo información de descarga...",
        /* 46 */ L"__PRODUCT_NAME__ en línea",
        /* 47 */ L"Desinstalar __PRODUCT_NAME__",
        /* 48 */ L"Iniciar",
        /* 49 */ L"La instalación comenzará automáticamente en XXX segundos.",
        /* 50 */
        L"La carpeta contiene archivos que no forman parte de __PRODUCT_NAME__. "
        L"Elija una carpeta vacía o la de una instalación anterior.",
        /* 51 */
        L"Una carpeta del sistema o una carpeta personal no puede ser la carpeta de instalación. "
        L"Elija una carpeta propia.",
        /* 52 */ L"No se puede escribir en la carpeta de instalación. Elija otra carpeta.",
        /* 53 */ L"No hay suficiente espacio libre para la descarga. Libere espacio e inténtelo de nuevo.",
        /* 54 */
        L"No hay suficiente espacio libre para instalar __PRODUCT_NAME__. "
        L"Libere espacio o elija otra carpeta.",
        /* 55 */
        L"El disco se llenó durante la instalación. "
        L"No se ha cambiado nada; libere espacio e inténtelo de nuevo.",
        /* 56 */
        L"Hay otra instalación de __PRODUCT_NAME__ en curso. "
        L"Espere a que termine e inténtelo de nuevo.",
        /* 57 */ L"La instalación ha fallado. No se ha cambiado nada.",
        /* 58 */ L"No se ha quitado nada: no se encontró ninguna instalación de __PRODUCT_NAME__.",
        /* 59 */ L"No se ha quitado nada: __FOLDER__ es una carpeta del sistema o una carpeta personal.",
        /* 60 */ L"No se ha quitado nada: __FOLDER__ no contiene ninguna instalación de __PRODUCT_NAME__.",
        /* 61 */
        L"No se pudieron quitar algunos archivos de __FOLDER__. "
        L"Cierre los programas que los usan y luego elimine la carpeta.",
        /* 62 */
        L"No se puede escribir en la carpeta Descargas. Compruebe que existe y que puede escribir en ella, y vuelva a "
        L"intentarlo.",
        /* 63 */ L"La instalación necesita derechos de administrador y no se concedieron. No se ha cambiado nada.",
    },
};

}  // namespace base
