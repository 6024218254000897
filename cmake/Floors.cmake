# One static library per floor of src/, each linking exactly the floors it may
# use (ARCHITECTURE.md). A floor also sees only those floors' headers: its
# include root is a folder of the build tree holding links to their folders, so
# an include that runs up the floors fails to compile ("tool/Session.h: No such
# file or directory" in foundation). The targets are named floor_<folder>: CPack
# keeps the name "package" for itself.
function(mkpkg_floor name)
  cmake_parse_arguments(FLOOR "" "" "USES;SOURCES;LIBRARIES" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/floors/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(visible ${name} ${FLOOR_USES})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${visible} ${root}/${visible} SYMBOLIC)
  endforeach()
  list(TRANSFORM FLOOR_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/src/${name}/)
  list(TRANSFORM FLOOR_USES PREPEND floor_ OUTPUT_VARIABLE used)
  add_library(floor_${name} STATIC ${FLOOR_SOURCES})
  target_include_directories(floor_${name} PUBLIC ${root})
  target_link_libraries(floor_${name} PUBLIC mkpkg_settings ${used} PRIVATE mkpkg_warnings ${FLOOR_LIBRARIES})
  set_property(GLOBAL APPEND PROPERTY MKPKG_FLOOR_SOURCES ${FLOOR_SOURCES})
endfunction()

mkpkg_floor(foundation
  SOURCES AtomicFile.cpp ByteSink.cpp ConfinedDirectory.cpp Cpus.cpp DirectoryListing.cpp LockFile.cpp Path.cpp
    JobLane.cpp PathText.cpp PrivateFile.cpp QTx.cpp Release.cpp SiblingOpener.cpp SignalCleanup.cpp TerminalText.cpp Text.cpp
  LIBRARIES Threads::Threads)
target_include_directories(floor_foundation PRIVATE ${CMAKE_BINARY_DIR}/generated)
# The codec libraries are the package floor's own: nothing above it sees them.
mkpkg_floor(package USES foundation
  SOURCES Archive.cpp BlockWalker.cpp CompressedPackage.cpp Deflater.cpp FileMember.cpp Inflater.cpp LibraryOnly.cpp
    PackageReader.cpp PackageWriter.cpp PieceCompressor.cpp PieceDecoder.cpp PieceInflater.cpp ReusablePieces.cpp StrictChecker.cpp
    TableReader.cpp
  LIBRARIES ZLIB::ZLIB PkgConfig::LIBDEFLATE PkgConfig::ISAL Threads::Threads)
mkpkg_floor(macros USES foundation
  SOURCES GlobalMacrosSetting.cpp MacroSystem.cpp)
mkpkg_floor(xml USES foundation macros
  SOURCES Pool.cpp XML.cpp XMLEntities.cpp XMLParser.cpp XmlPP2.cpp)
mkpkg_floor(project USES foundation macros xml
  SOURCES BuildSystem.cpp KnownCodecs.cpp MSP430BuildSystem.cpp MSP430ProjectSystem.cpp ProjectContext.cpp
    ProjectElement.cpp ProjectProperties.cpp ProjectSystem.cpp ProjectTree.cpp PropertyClass.cpp PropertyTable.cpp
    PropertyText.cpp PropertyValue.cpp PropertyValueGroup.cpp StandardBuildSystem.cpp StandardProjectSystem.cpp
    Targets.cpp VNOFBuildSystem.cpp VNOFProjectSystem.cpp)
mkpkg_floor(solution USES foundation package macros xml project
  SOURCES ProjectTemplates.cpp SolutionLoader.cpp SolutionPackaging.cpp)
mkpkg_floor(environment USES foundation macros xml project
  SOURCES EnvironmentEntries.cpp EnvironmentSettings.cpp PackageSystem.cpp Settings.cpp
  LIBRARIES pugixml::pugixml)
mkpkg_floor(tool USES foundation package macros xml project solution environment
  SOURCES ArchiveCommands.cpp ArchiveMode.cpp ArgParse.cpp CommandTable.cpp Extraction.cpp FileArguments.cpp HReporter.cpp
    HarArgParse.cpp Progress.cpp SolutionMode.cpp SourceDateEpoch.cpp WriterLock.cpp)

# A source file in no floor's list would silently not be built.
file(GLOB_RECURSE all_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp)
get_property(listed GLOBAL PROPERTY MKPKG_FLOOR_SOURCES)
list(REMOVE_ITEM all_sources ${listed} ${CMAKE_SOURCE_DIR}/src/tool/main.cpp)
if(all_sources)
  message(FATAL_ERROR "in no floor's source list (cmake/Floors.cmake): ${all_sources}")
endif()
