// Writing a whole file so that readers only ever see the old or the new contents.
#pragma once

#include "text_types.h"

#include <filesystem>

// Writes the bytes to a temporary file beside the target and renames it over the
// target. When the name is a symbolic link, the target is the file the link
// (or chain of links) points to, and the link stays. Gives false, leaving any
// old file untouched and no temporary file behind, when anything fails.
bool replace_file_contents(const std::filesystem::path& name, const Bytes& bytes);
