#pragma once

#include <cstdio>
#include <memory>

// Owns one stdio stream and closes it when it goes; moved, never shared.
struct FileCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;
