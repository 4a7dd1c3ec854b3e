# The review page: its source in web/, bundled with three.js by esbuild (both
# pinned by web/package-lock.json) and built into fw_cli as text. Included by
# cli/CMakeLists.txt, so that the generated source lives in fw_cli's folder.
set(FW_REVIEW_WEB ${CMAKE_CURRENT_LIST_DIR}/web)
fw_npm_ci(${FW_REVIEW_WEB} node_modules/esbuild/package.json FATAL_ERROR "the review page needs three.js and esbuild")

file(GLOB FW_REVIEW_PAGE CONFIGURE_DEPENDS ${FW_REVIEW_WEB}/*.html ${FW_REVIEW_WEB}/*.js ${FW_REVIEW_WEB}/*.css
     ${FW_REVIEW_WEB}/*.mjs ${CMAKE_CURRENT_LIST_DIR}/../studio/web/coarse_mesh.js)
set(FW_REVIEW_BUNDLE ${CMAKE_CURRENT_BINARY_DIR}/review/review_bundle.js)
set(FW_REVIEW_ASSETS_CPP ${CMAKE_CURRENT_BINARY_DIR}/review/review_page_assets.cpp)
add_custom_command(
  OUTPUT ${FW_REVIEW_BUNDLE}
  COMMAND ${FW_NODE} ${FW_REVIEW_WEB}/build.mjs ${FW_REVIEW_BUNDLE}
  DEPENDS ${FW_REVIEW_PAGE} ${FW_REVIEW_WEB}/package-lock.json
  COMMENT "Bundling the review page with three.js")
add_custom_command(
  OUTPUT ${FW_REVIEW_ASSETS_CPP}
  COMMAND ${CMAKE_COMMAND} -DOUT=${FW_REVIEW_ASSETS_CPP} -DWEB_DIR=${FW_REVIEW_WEB} -DBUNDLE=${FW_REVIEW_BUNDLE}
          -P ${CMAKE_CURRENT_LIST_DIR}/review_page.cmake
  DEPENDS ${FW_REVIEW_BUNDLE} ${FW_REVIEW_PAGE} ${CMAKE_CURRENT_LIST_DIR}/review_page.cmake
          ${CMAKE_SOURCE_DIR}/cmake/raw_literals.cmake
  COMMENT "Embedding the review page")
target_sources(fw_cli PRIVATE ${FW_REVIEW_ASSETS_CPP})
