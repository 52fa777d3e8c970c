# Proves that a layering check fails on a planted include: copies src/ into
# WORK_DIR, appends PLANT to the file PLANT_IN there, runs the check script
# CHECK on the copy (with CORE_FILES and WIDGETS_DIR passed on), and passes
# only when the check fails with a report matching EXPECT.
# Run: cmake -DSRC_DIR=<src> -DWORK_DIR=<dir> -DCHECK=<script> -DPLANT_IN=<file in src>
#            "-DPLANT=#include <...>" -DEXPECT=<regex> [-DCORE_FILES=...] [-DWIDGETS_DIR=...] -P check-planted.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${SRC_DIR}/ DESTINATION ${WORK_DIR})
file(APPEND ${WORK_DIR}/${PLANT_IN} "\n${PLANT}\n")
execute_process(
  COMMAND ${CMAKE_COMMAND} -DSRC_DIR=${WORK_DIR} "-DCORE_FILES=${CORE_FILES}" -DWIDGETS_DIR=${WIDGETS_DIR} -P ${CHECK}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE_RECURSE ${WORK_DIR})
if(rc EQUAL 0)
  message(FATAL_ERROR "${CHECK} passed with ${PLANT} planted in ${PLANT_IN}:\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR "${CHECK} failed without naming the planted include (${EXPECT}):\n${out}${err}")
endif()
message(STATUS "${CHECK} refuses ${PLANT} in ${PLANT_IN}")
