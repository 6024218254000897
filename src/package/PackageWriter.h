#pragma once

// The writing interface of a package file. A package is written by one chain,
// each link a ByteSink feeding the next:
//
//   container bytes (writeContainer: header, records, member bytes)
//     -> PackageSink (signature, length, Deflater: pieces on the grid of the
//        container's member bytes; pieces taken from the old package where
//        ReusablePieces proves them unchanged)        [compressed only]
//     -> AtomicFile (a temporary beside the package, renamed over it at the end)

#include <optional>
#include <string>
#include <vector>

#include "foundation/ProgressObserver.h"
#include "package/Archive.h"

struct OldPackage;

// Writes `members` as the package `name`, compressed or plain, replacing the
// file only when everything succeeded. Nothing is written when the container
// would break a limit. The error text says what failed: "<name>: ...",
// "can't create <name>: ...", "write error on <name>: ...", "read error on
// <source>: ...", "can't replace <name>: ...".
std::optional<std::string> writePackage(const std::vector<ArchiveChunk2>& members, const std::string& name,
                                        Packing packing, ProgressObserver* progress, const OldPackage* old);
