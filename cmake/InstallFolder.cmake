# The build folder runs as an installation: the program and the folders it reads beside it.
#   ${ZYM_INSTALL_FOLDER}/zymclient, language/, UI/, image/
# Programs set RUNTIME_OUTPUT_DIRECTORY to ZYM_INSTALL_FOLDER.
set(ZYM_INSTALL_FOLDER ${PROJECT_BINARY_DIR}/bin)

# Copies every file of the source folders language/ and image/ into the install folder, again
# whenever one changes. The glob is checked at every build, so a file added later is picked up
# without editing this file. UI/ is copied by the program's own target (src/shell), and one
# writer per file keeps a parallel build from copying the same file twice at once.
file(GLOB_RECURSE ZYM_INSTALL_FILES CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
    ${PROJECT_SOURCE_DIR}/language/*
    ${PROJECT_SOURCE_DIR}/image/*)
set(ZYM_INSTALL_OUTPUTS)
foreach(f IN LISTS ZYM_INSTALL_FILES)
    set(out ${ZYM_INSTALL_FOLDER}/${f})
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/${f} ${out}
        DEPENDS ${PROJECT_SOURCE_DIR}/${f}
        COMMENT "Install folder: ${f}"
        VERBATIM)
    list(APPEND ZYM_INSTALL_OUTPUTS ${out})
endforeach()
add_custom_target(zym_install_folder ALL DEPENDS ${ZYM_INSTALL_OUTPUTS})
