#pragma once

#include "project/StandardProjectSystem.h"

// The project system of the toolchain's optimising compiler family: its file
// extensions and the code generation and optimisation properties its tools read.
class VNOFProjectSystem : public StandardProjectSystem {
public:
    using StandardProjectSystem::StandardProjectSystem;

    std::string objectFileExtension() const override { return ".hzo"; }
    std::string libraryFileExtension() const override { return ".hza"; }
    std::string executableFileExtension() const override { return ".hzx"; }
    std::string assemblyCodeFileExtension() const override;

    void appendCCompilerProperties(PropertyClassList& list) const override;
    void appendAssemblerProperties(PropertyClassList& list) const override;
    void appendLinkerProperties(PropertyClassList& list) const override;
    void appendArchiverProperties(PropertyClassList& list) const override;
};
