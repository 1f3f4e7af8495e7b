# Runs the optimised and the -O0 simulator on the same seeds and script and
# fails unless their dumps are byte-identical.
foreach(seed 1 7 4000000000)
  foreach(variant SIM SIM_O0)
    execute_process(
      COMMAND ${${variant}} run --seed ${seed} --frames 3000 --dump-every 250 --input ${INPUT}
      OUTPUT_FILE ${WORK}/o0_check_${variant}_${seed}.jsonl
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${variant} failed with status ${status} on seed ${seed}")
    endif()
  endforeach()
  file(SHA256 ${WORK}/o0_check_SIM_${seed}.jsonl optimised)
  file(SHA256 ${WORK}/o0_check_SIM_O0_${seed}.jsonl unoptimised)
  if(NOT optimised STREQUAL unoptimised)
    message(FATAL_ERROR "seed ${seed}: the -O0 simulator's dumps differ from the optimised one's")
  endif()
  file(SIZE ${WORK}/o0_check_SIM_${seed}.jsonl size)
  if(size LESS 40000)
    message(FATAL_ERROR "seed ${seed}: dumps too short (${size} bytes)")
  endif()
endforeach()
