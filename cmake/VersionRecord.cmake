# Embeds the file-version record that the program reads back from its own executable file.
# The record lives in an ELF section of its own, so it can be found without running the program.
function(sonavia_embed_version_record target major minor)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_record.cpp)
  file(WRITE ${out}.in
"#include \"localfiles/VersionRecord.h\"\n\
[[gnu::used, gnu::section(\".sonavia_version\")]]\n\
const sonavia::VersionRecord kEmbeddedVersionRecord = sonavia::MakeVersionRecord(${major}, ${minor});\n")
  configure_file(${out}.in ${out} COPYONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
