# `cpack -G DEB` in the build folder makes vantory_<version>_<arch>.deb: the files installed above under
# /usr, with the shared libraries' packages as dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantory)
set(CPACK_PACKAGE_VENDOR "${VANTORY_COMPANY}")
set(CPACK_PACKAGE_CONTACT "Brightfern Software <packages@vantory.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link popularity of web sites on six search engines")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantory keeps a list of web sites and asks six search engines how many pages
link to each of them. The answers fill a table with a total and a low, medium
or high popularity profile per site. Counts can be saved day by day and their
history charted; each engine's result page opens in a built-in browser.
vantory-scan runs the same scan on the command line, for example daily from a
systemd timer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vantory.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries' packages: Qt's platform plugins, without which the window cannot open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, publicsuffix")
include(CPack)
