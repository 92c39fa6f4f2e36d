// Narrow-path folder helpers of the archive extractor. Paths use '/' only; a folder
// is always passed with a trailing '/'.
#pragma once

#include <string>

namespace folder_ops {

// Refuses paths longer than 260 characters. Creates, from the left, every prefix that
// ends before a '/' at a position greater than 0; an existing folder counts as
// success. The result is that of the last creation (false when there was none). A last
// element without a trailing '/' is not created.
bool CreateFolderChain(const std::string& path);

// Empty and one-character paths are not folders; a trailing '/' is ignored. True when
// the path exists and is a folder (a link to a folder counts).
bool FolderExists(const std::string& path);

// Deletes everything below `folder` and then the folder itself. Files are made
// writable before they are deleted; links are deleted as links, never followed.
// Errors are not reported; a folder that cannot be listed is left alone.
void DeleteFolderTree(const std::string& folder);

}  // namespace folder_ops
