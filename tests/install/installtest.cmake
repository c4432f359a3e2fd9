# Installs the build into a fresh prefix inside it, configures and builds the host project of
# tests/install/host against that prefix (find_package and pkg-config), and runs its programs
# and the installed kzr tool and, when PYTHON names an interpreter, the installed Python module.
# Called by ctest with BUILD, SOURCE and WORK defined.
set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})

function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${out}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

step(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
step(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/host -DCMAKE_PREFIX_PATH=${prefix}
     -DCMAKE_BUILD_TYPE=Release)
set(ENV{PKG_CONFIG_PATH} "")
step(${CMAKE_COMMAND} --build ${WORK}/host)
step(${WORK}/host/pricebseco)
step(${WORK}/host/pricebseco_pkgconfig)
# Without the installed library the stand-in's error names every place it looked.
file(RENAME ${prefix}/lib/libkzr.so ${WORK}/libkzr.so.away)
execute_process(COMMAND ${WORK}/host/pricebseco RESULT_VARIABLE status ERROR_VARIABLE err)
file(RENAME ${WORK}/libkzr.so.away ${prefix}/lib/libkzr.so)
string(FIND "${err}" "looked for ${WORK}/host/libkzr.so, " beside)
string(FIND "${err}" ", ${prefix}/lib/libkzr.so" installed)
if(status EQUAL 0 OR beside EQUAL -1 OR installed EQUAL -1)
  message(FATAL_ERROR "without the library pricebseco said (${status}): ${err}")
endif()
# The installed tool finds the installed library from its own folder.
step(${prefix}/bin/kzr price BSECO 1 100 100 0.2 0.05 0.02)
if(NOT output MATCHES "^9\\.22")
  message(FATAL_ERROR "the installed tool printed '${output}'")
endif()
# kzr-mpi is installed beside kzr when it was built, and finds the library as kzr does.
if(EXISTS ${BUILD}/bin/kzr-mpi)
  step(${prefix}/bin/kzr-mpi price BSECO 1 100 100 0.2 0.05 0.02)
  if(NOT output MATCHES "^9\\.22")
    message(FATAL_ERROR "the installed kzr-mpi printed '${output}'")
  endif()
endif()
if(PYTHON)
  get_filename_component(packages ${prefix}/${PYTHONDIR} DIRECTORY)
  set(ENV{PYTHONPATH} ${packages})
  step(${PYTHON} -c "import kzr
assert kzr.__file__.startswith('${prefix}/')
print(kzr.price('BSECO', T=1, S=100, K=100, sigma=0.2, r=0.05, q=0.02))")
  if(NOT output MATCHES "^9\\.22")
    message(FATAL_ERROR "the installed Python module printed '${output}'")
  endif()
endif()
