#include "project/VNOFBuildSystem.h"

namespace {
using enum PropertyClass::Type;
} // namespace

VNOFBuildSystem::VNOFBuildSystem(ProjectContext& context, const std::string& programDirectory,
                                 const std::vector<std::string>& list)
    : StandardBuildSystem(context, programDirectory, list)
{
    // clang-format off
    defineProperties({
        {"C/C++", "Code Generation Options", {
            {"compiler_optimization_strategy",            Enumeration,  "Optimization Strategy",           "Minimize size", "Minimize size, Maximize speed"},
            {"double_is_float",                           Boolean,      "Treat 'double' as 'float'",       "Yes"},
            {"optimize_cross_calling",                    Enumeration,  "Code Factoring Optimization",     "None", "None, Standard, Maximum"},
            {"linker_cross_call_minimum_subroutine_size", IntegerRange, "Code Factoring Subroutine Size",  "6", "6 to 128"},
            {"linker_cross_call_maximum_passes",          IntegerRange, "Code Factoring Passes",           "0", "0 to 255"},
            {"optimize_cross_jumping",                    Boolean,      "Cross Jumping Optimization",      "No"},
            {"optimize_tail_merging",                     Boolean,      "Tail Merging Optimization",       "No"},
            {"optimize_dead_code",                        Boolean,      "Dead Code Elimination",           "Yes"},
            {"optimize_flattening",                       Boolean,      "Flattening Optimization",         "Yes"},
            {"optimize_peepholes",                        Boolean,      "Peephole Optimization",           "Yes"},
            {"optimize_jump_threading",                   Boolean,      "Jump Threading Optimization",     "Yes"},
            {"optimize_jump_chaining",                    Boolean,      "Jump Chaining Optimization",      "No"},
            {"optimize_code_motion",                      Boolean,      "Code Motion Optimization",        "No"},
            {"optimize_block_locality",                   Boolean,      "Block Localization Optimization", "No"},
            {"optimize_copy_propagation",                 Boolean,      "Copy Propagation Optimization",   "No"},
            {"optimize_register_allocation",              Enumeration,  "Register Allocation",             "Locals Only", "None, Locals Only, Locals and Globals"},
            {"build_use_hardware_multiplier",             Enumeration,  "Use Hardware Multiplier",         "No", "No, Yes, Inline"},
        }},
        {"Linker", "Linker Options", {
            {"linker_stack_size",         IntegerRange, "Stack Size",                "0", "2 to 32768"},
            {"linker_heap_size",          IntegerRange, "Heap Size",                 "0", "2 to 32768"},
            {"linker_checksum_sections",  StringList,   "Checksum Sections"},
            {"linker_checksum_algorithm", Enumeration,  "Checksum Algorithm"},
            {"linker_absolute_listing",   Boolean,      "Generate Absolute Listing", "No"},
        }},
    });
    // clang-format on

    // Completions of earlier definitions that this family decides.
    PropertyClass* outputFormat = definition("linker_output_format");
    outputFormat->setEnumerates({"None", "hex", "lst", "srec", "bin", "tek", "txt"});
    outputFormat->setDefault("None");
    PropertyClass* checksumAlgorithm = definition("linker_checksum_algorithm");
    checksumAlgorithm->setEnumerates({"CRC16", "CRC32", "Sum", "Xor"});
    checksumAlgorithm->setDefault("CRC16");
    definition("linker_heap_size")->setSuffix("bytes");
}
