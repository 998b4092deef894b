# Shared compile options: every target of the project links vantory_options.
add_library(vantory_options INTERFACE)
target_compile_features(vantory_options INTERFACE cxx_std_20)
target_compile_options(vantory_options INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(vantory_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(VANTORY_WERROR)
    target_compile_options(vantory_options INTERFACE -Werror)
    target_compile_definitions(vantory_options INTERFACE _GLIBCXX_ASSERTIONS QT_FORCE_ASSERTS)
endif()
if(VANTORY_SANITIZE)
    target_compile_options(vantory_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(vantory_options INTERFACE -fsanitize=address,undefined)
endif()
