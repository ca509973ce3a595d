# Installs the build into a fresh prefix, then configures, builds and runs the
# consumer project against it, runs the installed CLI and, where there is a Python,
# imports the installed package.
#   cmake -DBUILD=... -DPREFIX=... -DCONSUMER=... -DCXX=... -DFLAGS=... [-DPYTHON=...] -P
foreach(step
    "${CMAKE_COMMAND};-E;rm;-rf;${PREFIX};${PREFIX}-consumer"
    "${CMAKE_COMMAND};--install;${BUILD};--prefix;${PREFIX}"
    "${CMAKE_COMMAND};-S;${CONSUMER};-B;${PREFIX}-consumer;-DCMAKE_PREFIX_PATH=${PREFIX};-DCMAKE_CXX_COMPILER=${CXX};-DCMAKE_CXX_FLAGS=${FLAGS};-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}"
    "${CMAKE_COMMAND};--build;${PREFIX}-consumer"
    "${PREFIX}-consumer/consumer"
    "${PREFIX}/bin/xv55;call;spsqrt;x=4")
  execute_process(COMMAND ${step} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    string(REPLACE ";" " " shown "${step}")
    message(FATAL_ERROR "failed (${failed}): ${shown}\n${out}")
  endif()
endforeach()
if(NOT out MATCHES "\"y\": 2.0")
  message(FATAL_ERROR "the installed CLI printed\n${out}")
endif()
if(PYTHON)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=XV55_LIBRARY --unset=XV55_PROCEDURES
            PYTHONPATH=${PREFIX}/share/xv55/python PYTHONDONTWRITEBYTECODE=1
            ${PYTHON} -c "import xv55; s = xv55.Library()['spsqrt']; print(s(x=9).outputs, \
s.prepare(x=1.0).evaluate(x=[4.0, 16.0]).outputs['y'].tolist())"
    RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed OR NOT out MATCHES "'y': 3.0} \\[2.0, 4.0\\]")
    message(FATAL_ERROR "the installed Python package: ${out}")
  endif()
endif()
message(STATUS "installed package works")
