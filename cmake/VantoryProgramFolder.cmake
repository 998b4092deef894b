# The program folder is the folder of the executables: it holds settings.ini, Lists/ and Saved/.
# Existing files are never overwritten, so edits made while trying a build survive a rebuild.
set(VANTORY_PROGRAM_FOLDER ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
file(MAKE_DIRECTORY ${VANTORY_PROGRAM_FOLDER}/Lists ${VANTORY_PROGRAM_FOLDER}/Saved)
foreach(item settings.ini Lists/sample.txt)
    if(NOT EXISTS ${VANTORY_PROGRAM_FOLDER}/${item})
        configure_file(${PROJECT_SOURCE_DIR}/data/${item} ${VANTORY_PROGRAM_FOLDER}/${item} COPYONLY)
    endif()
endforeach()

# Program data (the skin, the read-me) follows the sources on every configure.
foreach(item skins/Standard.skin skins/Standard.qss Help.rtf)
    configure_file(${PROJECT_SOURCE_DIR}/data/${item} ${VANTORY_PROGRAM_FOLDER}/${item} COPYONLY)
endforeach()

# Installed: the executables in bin/, the read-only defaults in share/vantory/ (the program makes each user's
# program folder from them on first start), and what a Linux desktop expects of a program.
include(GNUInstallDirs)
set(VANTORY_APP_ID example.vantory.Vantory)
set(VANTORY_DATA ${CMAKE_INSTALL_DATADIR}/vantory)
set(VANTORY_DOC ${CMAKE_INSTALL_DATADIR}/doc/vantory)
install(FILES data/settings.ini data/Help.rtf data/engines.ini DESTINATION ${VANTORY_DATA})
install(DIRECTORY data/engines/ DESTINATION ${VANTORY_DATA}/engines FILES_MATCHING PATTERN "*.ini")
install(FILES data/Lists/sample.txt DESTINATION ${VANTORY_DATA}/Lists)
install(FILES data/skins/Standard.skin data/skins/Standard.qss DESTINATION ${VANTORY_DATA}/skins)
install(FILES data/desktop/${VANTORY_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/desktop/${VANTORY_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/desktop/${VANTORY_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES data/desktop/icon-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VANTORY_APP_ID}.png)
endforeach()
install(FILES data/doc/copyright DESTINATION ${VANTORY_DOC})
install(FILES data/doc/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vantory)
# The daily update as a systemd user timer: systemctl --user enable --now vantory-update.timer
# The units name the program where it is installed: they are written at install time, when the prefix is
# known (cpack installs under its own prefix, /usr, not the one the build was configured with).
install(CODE "
    set(VANTORY_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/data/systemd/vantory-update.service.in\"
        \"${CMAKE_BINARY_DIR}/systemd/vantory-update.service\" @ONLY)
    configure_file(\"${CMAKE_SOURCE_DIR}/data/doc/examples/vantory-scan@.service.in\"
        \"${CMAKE_BINARY_DIR}/systemd/vantory-scan@.service\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/systemd/vantory-update.service data/systemd/vantory-update.timer
    DESTINATION lib/systemd/user)
install(FILES ${CMAKE_BINARY_DIR}/systemd/vantory-scan@.service data/doc/examples/vantory-scan@.timer
    DESTINATION ${VANTORY_DOC}/examples)

# Manual pages and the Debian changelog go compressed, as Debian wants them (no time stamp in the gzip header).
set(compressed)
foreach(item man/vantory.1 man/vantory-scan.1 man/vantory-emulator.1 doc/changelog.Debian)
    get_filename_component(name ${item} NAME)
    set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
        COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/${item} > ${output}
        DEPENDS ${PROJECT_SOURCE_DIR}/data/${item} VERBATIM)
    list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/compressed/vantory.1.gz ${CMAKE_BINARY_DIR}/compressed/vantory-scan.1.gz
    ${CMAKE_BINARY_DIR}/compressed/vantory-emulator.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.Debian.gz DESTINATION ${VANTORY_DOC})
