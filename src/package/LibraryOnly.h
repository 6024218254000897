#pragma once

// The whole-file side of the compressed package wrapper, part of the package
// files' interface for the environment's other programs (its installer reads
// packages this way). The tool itself never calls these: it streams packages
// through PackageReader.h and PackageWriter.h. Kept small and tested lightly.

#include <string>

namespace QTx {

// True when `path` can be read and starts with the wrapper's signature.
bool isCompressedFile(const std::string& path);

// Writes the wrapper for `plainPath` to `packedPath` (replacing it only when all
// went well); false when the plain file cannot be read, is empty or is 4 GiB or
// more, or the packed file cannot be written.
bool compressFile(const std::string& plainPath, const std::string& packedPath);

// Writes the unwrapped contents of `packedPath` to `plainPath` (replacing it
// only when all went well); false when the signature is missing, the payload is
// damaged, or a file cannot be read or written.
bool decompressFile(const std::string& packedPath, const std::string& plainPath);

} // namespace QTx
