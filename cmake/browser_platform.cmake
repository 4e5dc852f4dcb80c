# The platform layer of the browser build (QUILLMOOR_PLATFORM=browser, an emscripten build):
# the same platform/ sources, with the desktop's libraries replaced by the page's facilities.
#  - SDL: platform/browser/ implements the part of SDL's interface platform/ uses on the HTML5
#    event API and WebGL 2 (Debian's emscripten has no SDL port);
#  - sound: FSOUND on Web Audio, the browser decoding the Ogg Vorbis file;
#  - effects: translated at build time by the native quillmoor-effects tool and shipped with
#    the media (no glslang or SPIRV-Cross in the browser);
#  - PNG files: encoded by the browser; compressed .x files: not readable here (no zlib).
set(browser_replaced
  "/platform/sound/fmod_stream\\.cpp$"
  "/platform/sound/alsa_error_silencer\\.cpp$"
  "/platform/d3dx9/hlsl_translator\\.cpp$"
  "/platform/d3dx9/effect_translation\\.cpp$"
  "/platform/process/child_process_call\\.cpp$"
  "/platform/d3dx9/mszip\\.cpp$"
  "/platform/d3d9/software_gl_display\\.cpp$"
  "/platform/capture/png_writer\\.cpp$"
  "/platform/capture/video_pipe\\.cpp$")
quillmoor_library(qm_platform
  GLOBS ${CMAKE_SOURCE_DIR}/platform/*.cpp
  EXCLUDE ${browser_replaced}
  LINKS qm_rar)
target_include_directories(qm_platform SYSTEM PUBLIC ${CMAKE_SOURCE_DIR}/platform/browser/include)

# Header-only libraries from Debian's packages, seen through a directory of their own so that
# the host's /usr/include (glibc's headers) stays out of the emscripten build.
set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers})
foreach(header_dir fast_float stb)
  if(NOT EXISTS /usr/include/${header_dir})
    message(FATAL_ERROR "/usr/include/${header_dir} is missing: scripts/install-deps.sh installs it")
  endif()
  file(CREATE_LINK /usr/include/${header_dir} ${host_headers}/${header_dir} SYMBOLIC)
endforeach()
target_include_directories(qm_platform SYSTEM PUBLIC ${host_headers} ${host_headers}/stb)
# stb's own code, not held to our warning flags.
set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/browser/stb_image_implementation.cpp
                            PROPERTIES COMPILE_OPTIONS -w)
