# Run by CTest: `cmake --install` into PREFIX, then the installed files and what they name.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${out}${err}")
endif()

# The manual's pages, the factory banks and the recipes' examples are installed with the
# renderer too: they document it.
set(expected bin/kornmill-render share/man/man1/kornmill-render.1
    share/kornmill/help/index.html share/kornmill/help/controls.html
    share/kornmill/help/help.css share/kornmill/patches/Clouds.kpb
    share/kornmill/patches/Stretch.kpb share/kornmill/examples/Clouds.kpb)
if(WITH_APP)
  list(APPEND expected bin/kornmill
       share/applications/kornmill.desktop share/icons/hicolor/256x256/apps/kornmill.png)
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# The installed pages are finished HTML: no placeholder of the templates is left.
file(GLOB pages "${PREFIX}/share/kornmill/help/*.html")
foreach(page IN LISTS pages)
  file(READ "${page}" text)
  if(text MATCHES "{{")
    message(FATAL_ERROR "the installed page ${page} still holds a placeholder")
  endif()
endforeach()
if(EXISTS "${PREFIX}/share/kornmill/examples/scores.stamp")
  message(FATAL_ERROR "the build's stamp file was installed with the examples")
endif()

# The installed renderer runs from its new place.
execute_process(COMMAND "${PREFIX}/bin/kornmill-render" --help
  RESULT_VARIABLE result OUTPUT_VARIABLE help)
if(NOT result EQUAL 0 OR NOT help MATCHES "Usage: kornmill-render")
  message(FATAL_ERROR "the installed kornmill-render --help failed (${result}):\n${help}")
endif()

if(WITH_APP)
  # The desktop entry starts the installed program and names the installed icon.
  file(STRINGS "${PREFIX}/share/applications/kornmill.desktop" entry)
  foreach(key "Type=Application" "Exec=kornmill" "Icon=kornmill" "Name=Kornmill"
              "Categories=AudioVideo;Audio;Music;")
    list(FIND entry "${key}" at)
    if(at LESS 0)
      message(FATAL_ERROR "kornmill.desktop lacks the line ${key}")
    endif()
  endforeach()
  if(NOT entry MATCHES "^\\[Desktop Entry\\]")
    message(FATAL_ERROR "kornmill.desktop does not start with its group header")
  endif()
  file(READ "${PREFIX}/share/icons/hicolor/256x256/apps/kornmill.png" png LIMIT 24 HEX)
  # The PNG signature, then an IHDR of 256 × 256 pixels.
  if(NOT png MATCHES "^89504e470d0a1a0a0000000d494844520000010000000100")
    message(FATAL_ERROR "the icon is not a 256 x 256 PNG: ${png}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
