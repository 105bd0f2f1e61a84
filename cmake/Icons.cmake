# The program's icon, resources/morvatix.svg, rendered at build time as PNG
# images of the sizes given, one folder a size: <dir>/<size>/morvatix.png.
# Sets <files> to the images.
#   mvx_render_icons(files dir 16 32 48)
find_program(MVX_RSVG_CONVERT rsvg-convert)
if(NOT MVX_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert renders the icons: install Debian's librsvg2-bin")
endif()

function(mvx_render_icons files dir)
    set(svg ${PROJECT_SOURCE_DIR}/resources/morvatix.svg)
    set(rendered)
    foreach(size IN LISTS ARGN)
        set(png ${dir}/${size}/morvatix.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/${size}
            COMMAND ${MVX_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${svg}
            DEPENDS ${svg}
            VERBATIM)
        list(APPEND rendered ${png})
    endforeach()
    set(${files} ${rendered} PARENT_SCOPE)
endfunction()
