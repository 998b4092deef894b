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

include(GNUInstallDirs)
install(FILES data/settings.ini DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/Lists/sample.txt DESTINATION ${CMAKE_INSTALL_BINDIR}/Lists)
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_BINDIR}/Saved)
install(FILES data/skins/Standard.skin data/skins/Standard.qss DESTINATION ${CMAKE_INSTALL_BINDIR}/skins)
install(FILES data/Help.rtf DESTINATION ${CMAKE_INSTALL_BINDIR})
