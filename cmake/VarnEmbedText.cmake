# varn_embed_text(TARGET <target> INPUT <data file> HEADER <include path> SYMBOL <name>)
#
# Generates the header <include path> (for example "text/KanjiFileText.h") under the build
# tree's "generated" folder from a data file with EmbedText.cmake, regenerates it whenever the
# data file changes, and lets <target> include it. The header holds the file's text as
# `varn::<name>`, a std::u8string_view.

include_guard(GLOBAL)

function(varn_embed_text)
  cmake_parse_arguments(ARG "" "TARGET;INPUT;HEADER;SYMBOL" "" ${ARGN})
  if(NOT ARG_TARGET OR NOT ARG_INPUT OR NOT ARG_HEADER OR NOT ARG_SYMBOL)
    message(FATAL_ERROR "varn_embed_text needs TARGET, INPUT, HEADER and SYMBOL")
  endif()
  set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/EmbedText.cmake)
  set(generated_dir ${PROJECT_BINARY_DIR}/generated)
  set(output ${generated_dir}/${ARG_HEADER})
  get_filename_component(input_name ${ARG_INPUT} NAME)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${ARG_INPUT} -DOUTPUT=${output} -DSYMBOL=${ARG_SYMBOL}
            -P ${script}
    DEPENDS ${ARG_INPUT} ${script}
    COMMENT "Embedding ${input_name}"
    VERBATIM
  )
  string(MAKE_C_IDENTIFIER "varn_embed_${ARG_SYMBOL}" data_target)
  add_custom_target(${data_target} DEPENDS ${output})
  add_dependencies(${ARG_TARGET} ${data_target})
  target_include_directories(${ARG_TARGET} PRIVATE ${generated_dir})
endfunction()
