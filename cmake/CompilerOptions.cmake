# Warnings for the project's own targets, and the sanitizer build.
function(kestrova_apply_compiler_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

if(KESTROVA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
