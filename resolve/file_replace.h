// Writing a whole file so that readers only ever see the old or the new contents.
#pragma once

#include "text_types.h"

#include <filesystem>

// Writes the bytes to a temporary file beside the target and renames it over the
// target. Gives false, leaving any old file untouched, when anything fails.
bool replace_file_contents(const std::filesystem::path& target, const Bytes& bytes);
