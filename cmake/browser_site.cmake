# The browser build's output: a static folder, build-web/site/, that plays the demo when served
# (scripts/web.sh): index.html and its script, quillmoor.js and quillmoor.wasm, and the media
# (data.rar, z.ogg, the effect file, the loose images and the effects translated at build time)
# packed by emscripten's file packager into media.data for the virtual file system.
#
# The media and the effect translator are native: they come from the native build in
# QUILLMOOR_NATIVE_BUILD_DIR (scripts/web.sh builds it first).
set(QUILLMOOR_NATIVE_BUILD_DIR "${CMAKE_SOURCE_DIR}/build" CACHE PATH
    "Native build holding run/ (the generated media) and the quillmoor-effects tool")
set(site_dir ${CMAKE_BINARY_DIR}/site)
set(native_run ${QUILLMOOR_NATIVE_BUILD_DIR}/run)
set(effects_tool ${QUILLMOOR_NATIVE_BUILD_DIR}/tools/quillmoor-effects/quillmoor-effects)

set_target_properties(quillmoor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${site_dir} SUFFIX .js)
target_link_options(quillmoor PRIVATE
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  # The framework's blocking main loop keeps its shape: each frame hands control back to the
  # browser (SDL_GL_SwapWindow) and resumes where it left off.
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=268435456 -sTOTAL_STACK=4194304
  -sFORCE_FILESYSTEM=1 -sEXIT_RUNTIME=1
  # The page starts the program after the user's click, with the query string's options.
  -sINVOKE_RUN=0 "-sEXPORTED_RUNTIME_METHODS=['callMain','FS']"
  -sENVIRONMENT=web)

file(GLOB page_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/*)
set(page_outputs)
foreach(source IN LISTS page_sources)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${site_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${site_dir}/${name}
    DEPENDS ${source} VERBATIM)
  list(APPEND page_outputs ${site_dir}/${name})
endforeach()

set(media_staging ${CMAKE_BINARY_DIR}/media)
set(native_media ${native_run}/data.rar ${native_run}/z.ogg ${native_run}/data/shader/diffuse.fx)
file(GLOB loose_images CONFIGURE_DEPENDS ${native_run}/data/textures/*)
add_custom_command(
  OUTPUT ${site_dir}/media.data ${site_dir}/media.js
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${media_staging}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${media_staging}/data/meshes ${media_staging}/data/textures
          ${media_staging}/data/shader
  COMMAND ${CMAKE_COMMAND} -E copy ${native_run}/data.rar ${native_run}/z.ogg ${media_staging}
  COMMAND ${CMAKE_COMMAND} -E copy ${native_run}/data/shader/diffuse.fx ${media_staging}/data/shader
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${native_run}/data/textures ${media_staging}/data/textures
  COMMAND ${effects_tool} --dialect es300 --out ${media_staging}/effects ${native_run}/data/shader/diffuse.fx
  COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs
          python3 ${EMSCRIPTEN_ROOT_PATH}/tools/file_packager.py ${site_dir}/media.data
          --preload ${media_staging}@/ --js-output=${site_dir}/media.js
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${native_media} ${loose_images} ${effects_tool}
  COMMENT "Packing the media and the effect translations for the browser"
  VERBATIM)
add_custom_target(web_site ALL DEPENDS ${page_outputs} ${site_dir}/media.data ${site_dir}/media.js)
