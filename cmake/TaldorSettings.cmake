# One interface target carries the compile settings every target shares.
add_library(taldor_settings INTERFACE)
target_compile_features(taldor_settings INTERFACE cxx_std_17)
if(MSVC)
    target_compile_options(taldor_settings INTERFACE /W4 /utf-8)
else()
    target_compile_options(taldor_settings INTERFACE -Wall -Wextra -Wno-unused-parameter)
endif()
target_compile_definitions(taldor_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_FOREACH)

if(TALDOR_SANITIZE)
    target_compile_options(taldor_settings INTERFACE -fsanitize=${TALDOR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(taldor_settings INTERFACE -fsanitize=${TALDOR_SANITIZE})
endif()
