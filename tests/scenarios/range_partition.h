// The invariant of the item table that every dispatch pass must keep: the bytes still
// to fetch are owned by exactly one segment each, and together with the bytes already
// received and those kept from an earlier download they cover the whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "download/resume_scan.h"

// Empty when the table keeps the invariant, else what breaks it.
std::string FindPartitionFault(const download::DownloadItemMap& items, std::uint32_t fileSize,
                               const std::vector<download::ByteRange>& kept);
