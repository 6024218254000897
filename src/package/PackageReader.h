#pragma once

#include <optional>
#include <string>

#include "foundation/ProgressObserver.h"
#include "package/Archive.h"
#include "package/OldPackage.h"

// The reading interface of a package file: "give me the members of this package".
//
// A package on disk is either a plain container or the compressed wrapper around
// one; the reader tells them apart by the wrapper's signature. A compressed
// package is inflated once, front to back, and all of it is checked before the
// caller sees a member:
// - for the table of contents alone, the member records are taken as the
//   inflated bytes stream past, and the rest is only checked;
// - for the members' bytes or the pieces, the container is inflated into a
//   private file (no name, gone when closed), which becomes the archive's
//   stream, and the compressed package stays open for a rewrite to take its
//   pieces.
//
// A compressed package is reported under its name with ".decompressed" appended,
// the copy it is read as. When its container proves bad, that copy is left on
// disk for inspection: whole when the payload was sound, empty when the payload
// itself was damaged.

// What the caller goes on to read.
enum class PackageRead {
    TableOfContents, // the member records alone
    Members,         // the members' bytes too
    Pieces,          // only the compressed pieces, for a package written in its place
};

enum class PackageOpen {
    Opened,             // also for a package that does not exist: no members
    BadHeader,          // short, wrong magic, negative count, or a damaged compressed payload
    BadTableOfContents, // fewer records than the count says, or a name without its NUL
    BadLayout,          // members whose bytes overlap or run past the end; the message says which
    CannotUnwrap,       // no private file could be written; the message says why
};

struct OpenedPackage {
    PackageOpen result = PackageOpen::Opened;
    // The name messages about the container use: the package, or its ".decompressed" copy.
    std::string reportedName;
    // After BadLayout: "bad table of contents in package <name>: <member>: ...";
    // after CannotUnwrap: "can't unwrap <package> in <dir>: <reason>".
    std::string message;
    // A compressed package opened for its members, kept for the package written in its place.
    std::optional<OldPackage> old;
};

// Opens `package` into `archive`. A compressed package read for its members is
// unwrapped in `workDir`, or in $TMPDIR (else /tmp) when `workDir` may not be
// written. Read for its members, a package is refused unless its members lie
// apart and inside the container, before anything is written from it.
// `progress`, when given, is shown the unwrapping as a pass.
OpenedPackage openPackage(const std::string& package, Archive2& archive, PackageRead read, const std::string& workDir,
                          ProgressObserver* progress = nullptr);
