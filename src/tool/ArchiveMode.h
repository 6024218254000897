#pragma once

struct Session;

// Runs the archive command the session's invocation asks for against its package,
// which is read (unwrapped first when compressed) into `srcArchive`. Returns the
// exit status.
int runArchiveMode(Session& session);
