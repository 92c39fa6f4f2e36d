// The invariant of the item table that every dispatch pass must keep: the bytes still
// to fetch are owned by exactly one segment each, and together with the bytes already
// received they cover the whole file.
#pragma once

#include <cstdint>
#include <string>

#include "download/downloader.h"

// Empty when the table keeps the invariant, else what breaks it.
std::string FindPartitionFault(const DownloadItemMap& items, std::uint32_t fileSize);
