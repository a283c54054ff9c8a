# cmake -DSCDOC=... -DIN=page.scd -DOUT=page.1.gz -P RenderManPage.cmake
# scdoc reads standard input only; gzip -n keeps the page byte-identical between builds.
get_filename_component(out_dir ${OUT} DIRECTORY)
string(REGEX REPLACE "\\.gz$" "" roff ${OUT})
execute_process(COMMAND ${SCDOC} INPUT_FILE ${IN} OUTPUT_FILE ${roff} RESULT_VARIABLE failed)
if(failed)
  file(REMOVE ${roff})
  message(FATAL_ERROR "scdoc could not render ${IN}")
endif()
execute_process(COMMAND gzip -9nc ${roff} OUTPUT_FILE ${OUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip could not compress ${roff}")
endif()
