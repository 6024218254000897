#include "project/VNOFProjectSystem.h"

#include "project/Targets.h"

std::string VNOFProjectSystem::assemblyCodeFileExtension() const
{
    const char* extension = Get_ASM_FILE_EXTENSION();
    return std::string(".") + (extension ? extension : "s");
}

void VNOFProjectSystem::appendCCompilerProperties(PropertyClassList& list) const
{
    StandardProjectSystem::appendCCompilerProperties(list);
    appendDefined(list, {"default_code_section", "default_data_section", "default_zeroed_section",
                         "default_const_section", "default_vector_section", "compiler_optimization_strategy",
                         "optimize_register_allocation"});
}

void VNOFProjectSystem::appendAssemblerProperties(PropertyClassList& list) const
{
    StandardProjectSystem::appendAssemblerProperties(list);
    appendDefined(list, {"default_code_section", "default_data_section", "default_zeroed_section",
                         "default_const_section", "default_vector_section"});
}

void VNOFProjectSystem::appendLinkerProperties(PropertyClassList& list) const
{
    StandardProjectSystem::appendLinkerProperties(list);
    appendDefined(list, {"linker_heap_size", "double_is_float", "linker_checksum_sections",
                         "linker_checksum_algorithm", "linker_absolute_listing", "optimize_cross_calling",
                         "optimize_cross_jumping", "optimize_flattening", "optimize_tail_merging",
                         "optimize_code_motion", "optimize_block_locality",
                         "linker_cross_call_minimum_subroutine_size", "linker_cross_call_maximum_passes",
                         "optimize_copy_propagation", "optimize_jump_threading", "optimize_jump_chaining",
                         "optimize_peepholes", "optimize_dead_code", "build_use_hardware_multiplier"});
}

void VNOFProjectSystem::appendArchiverProperties(PropertyClassList& list) const
{
    appendDefined(list, {"double_is_float", "build_use_hardware_multiplier"});
}
