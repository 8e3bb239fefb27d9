# The folders of src/ are layers. A folder includes its own headers and those of the folders it
# lists here, never one above it; the core folders (base through control) never include Qt.
# vexilo_check_layers(<src dir>) fails the configure step on the first file that breaks a rule.
# tests/ mirrors src/ and is checked the same way; its folders that are no layer (support, data)
# are left out.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()
set(VEXILO_LAYERS base raster codecs imageio settings lang search batch files control
    ui/platform ui app cli)
set(VEXILO_CORE_LAYERS base raster codecs imageio settings lang search batch files control)

set(vexilo_uses_base "")
set(vexilo_uses_raster base)
set(vexilo_uses_codecs raster base)
set(vexilo_uses_imageio codecs raster base)
set(vexilo_uses_settings base)
set(vexilo_uses_lang settings base)
set(vexilo_uses_search imageio codecs raster base)
set(vexilo_uses_batch imageio codecs raster base)
set(vexilo_uses_files imageio codecs raster base)
set(vexilo_uses_control files batch search lang settings imageio codecs raster base)
set(vexilo_uses_ui/platform ${VEXILO_CORE_LAYERS})
set(vexilo_uses_ui ui/platform ${VEXILO_CORE_LAYERS})
set(vexilo_uses_app ui ui/platform ${VEXILO_CORE_LAYERS})
set(vexilo_uses_cli ui/platform ${VEXILO_CORE_LAYERS})

# The layer a path below src/ belongs to: "ui/platform" for its own subfolder, else the first
# folder name (codecs/metafile is part of codecs).
function(vexilo_layer_of relpath out)
  if(relpath MATCHES "^ui/platform/")
    set(${out} ui/platform PARENT_SCOPE)
  else()
    string(REGEX REPLACE "/.*" "" first "${relpath}")
    set(${out} ${first} PARENT_SCOPE)
  endif()
endfunction()

function(vexilo_check_layers src_dir)
  file(GLOB_RECURSE files RELATIVE ${src_dir} ${src_dir}/*.h ${src_dir}/*.cpp)
  foreach(rel ${files})
    vexilo_layer_of(${rel} layer)
    if(NOT layer IN_LIST VEXILO_LAYERS)
      continue()
    endif()
    set(allowed ${layer} ${vexilo_uses_${layer}})
    file(STRINGS ${src_dir}/${rel} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      if(line MATCHES "include[ \t]*\"([^\"]+)\"")
        vexilo_layer_of(${CMAKE_MATCH_1} target)
        if(target IN_LIST VEXILO_LAYERS AND NOT target IN_LIST allowed)
          message(FATAL_ERROR "layer rule broken: ${rel} (${layer}) includes ${CMAKE_MATCH_1} "
                              "(${target}); ${layer} may use only: ${vexilo_uses_${layer}}")
        endif()
      elseif(layer IN_LIST VEXILO_CORE_LAYERS AND line MATCHES "include[ \t]*<Q")
        message(FATAL_ERROR "core file ${rel} includes Qt: ${line}")
      endif()
    endforeach()
  endforeach()
endfunction()

# Script mode, for the test that plants a broken include: cmake -DSRC=<dir> -P Layers.cmake
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED SRC)
  vexilo_check_layers(${SRC})
endif()
