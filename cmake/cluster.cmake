# SPDX-License-Identifier: GPL-3.0-or-later
# A benchmark split into shards by a job scheduler and merged, checked
# against a single run: with GNU parallel, and on a one-node Slurm that the
# test starts and stops itself (skipped when slurmctld or munged is not
# installed). Included at the end of CMakeLists.txt, after native.cmake,
# which defines strandel-bench.
if(TARGET strandel-bench)
  add_test(NAME cluster.parallel
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cluster/parallel.sh $<TARGET_FILE:strandel-bench>)
  set_tests_properties(cluster.parallel PROPERTIES TIMEOUT 120)

  # The test's daemons live at most 300 s as well, and a watchdog stops them
  # when CTest kills the test at its timeout.
  add_test(NAME cluster.slurm
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cluster/slurm.sh $<TARGET_FILE:strandel-bench>)
  set_tests_properties(cluster.slurm PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
