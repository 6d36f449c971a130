#pragma once
// Writing a whole file so that it appears complete or not at all: the bytes
// go to a temporary file beside it, are synced, and the temporary file is
// renamed over the name; then the folder is synced, so that the new name
// survives a power loss as well. A failure before the rename removes the
// temporary file and leaves whatever was there before.
#include <string>
#include <string_view>

namespace pcsim {

/* False with the reason (naming the file) in error. */
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

/* The whole content of a file; false with the reason in error. */
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);

} // namespace pcsim
