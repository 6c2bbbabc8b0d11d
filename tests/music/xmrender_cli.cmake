# xmrender from the command line: a render, its WAV header, and the errors.
# It plays the game's own song (SONG); the corpus case runs when XM_DIR has it.
# RUNNER, when set, runs the program (wine, for the Windows build).
function(run expect_code)
  execute_process(COMMAND ${RUNNER} ${XMRENDER} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL expect_code)
    message(FATAL_ERROR "xmrender ${ARGN}: exit ${code}, expected ${expect_code}\n${out}${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
  set(ERR "${err}" PARENT_SCOPE)
endfunction()

run(0 --volume 20 --max-seconds 3 ${SONG} ${WORK}/cli.wav)
if(NOT OUT MATCHES "0:03.000")
  message(FATAL_ERROR "expected a 3 s render, got: ${OUT}")
endif()
file(SIZE ${WORK}/cli.wav size)
if(NOT size EQUAL 576044)  # 44-byte header + 3 s x 48,000 x 4 bytes
  message(FATAL_ERROR "WAV size ${size}")
endif()
file(READ ${WORK}/cli.wav head LIMIT 44 HEX)
if(NOT head MATCHES "^52494646.*57415645666d7420100000000100020080bb0000")
  message(FATAL_ERROR "WAV header ${head}")
endif()

if(EXISTS ${XM_DIR}/cases/openmpt_PatLoop-Infinite.xm)
  run(0 ${XM_DIR}/cases/openmpt_PatLoop-Infinite.xm ${WORK}/cli2.wav --max-seconds 5)
endif()

file(WRITE ${WORK}/not_a_module.xm "hello")
run(1 ${WORK}/not_a_module.xm ${WORK}/cli3.wav)
if(NOT ERR MATCHES "not_a_module.xm")
  message(FATAL_ERROR "the error does not name the file: ${ERR}")
endif()
run(1 ${WORK}/missing.xm ${WORK}/cli3.wav)
if(NOT ERR MATCHES "missing.xm")
  message(FATAL_ERROR "the error does not name the file: ${ERR}")
endif()
# The command line, one case a row: exit code | what stdout and stderr
# together must say | arguments (SONG is the game's song, OUT a file).
foreach(case
    "0|^Usage: xmrender .*--volume=N.*20,[ \n]*the game's level, is -12 dB|--help"
    "0|^Usage: xmrender|-h"
    "0|^xmrender \\(Brovask\\) ${VERSION}\n$|--version"
    "2|^xmrender: unknown option --bogus\nTry 'xmrender --help' for more information.\n$|--bogus SONG OUT"
    "2|^xmrender: --volume: 30 is outside 0..25\n|--volume 30 SONG OUT"
    "2|^xmrender: --volume: abc is not a whole number\n|--volume abc SONG OUT"
    "2|^xmrender: --volume: a value is missing\n|SONG OUT --volume"
    "2|^xmrender: --max-seconds: 99999 is outside 0..22369\n|--max-seconds=99999 SONG OUT"
    "2|^xmrender: no output file given|SONG"
    "0|0:00.500|--volume=5 --max-seconds=0.5 SONG OUT")
  string(REPLACE "|" ";" fields "${case}")
  list(POP_FRONT fields code pattern args)
  string(REPLACE " " ";" args "${args}")
  list(TRANSFORM args REPLACE "^SONG$" "${SONG}")
  list(TRANSFORM args REPLACE "^OUT$" "${WORK}/cli4.wav")
  run(${code} ${args})
  if(NOT "${OUT}${ERR}" MATCHES "${pattern}")
    message(FATAL_ERROR "xmrender ${args}: expected ${pattern}, got:\n${OUT}${ERR}")
  endif()
endforeach()

# "-" streams the WAV to standard output as it renders, the summary to
# standard error. A stream's header cannot be filled in afterwards: its RIFF
# and data sizes say 0xFFFFFFFF. The samples are the file render's, and the
# WAV readers take it.
execute_process(COMMAND ${RUNNER} ${XMRENDER} --max-seconds=0.5 ${SONG} - OUTPUT_FILE ${WORK}/cli5.wav
                ERROR_VARIABLE err RESULT_VARIABLE code)
run(0 --max-seconds=0.5 ${SONG} ${WORK}/cli6.wav)
file(SIZE ${WORK}/cli5.wav size)
file(READ ${WORK}/cli5.wav head LIMIT 44 HEX)
file(READ ${WORK}/cli5.wav streamed OFFSET 44 HEX)
file(READ ${WORK}/cli6.wav rendered OFFSET 44 HEX)
if(NOT code EQUAL 0 OR NOT size EQUAL 96044 OR NOT head MATCHES "^52494646ffffffff57415645.*64617461ffffffff$"
   OR NOT streamed STREQUAL rendered OR NOT err MATCHES "0:00.500")
  message(FATAL_ERROR "xmrender SONG -: exit ${code}, ${size} bytes, header ${head}, stderr ${err}")
endif()
find_program(PYTHON3 python3 REQUIRED)
find_program(SOX sox REQUIRED)
find_program(FFPROBE ffprobe)
execute_process(COMMAND ${PYTHON3} -c "import sys, wave\nw = wave.open(sys.argv[1])\nprint(w.getnchannels(), w.getsampwidth(), w.getframerate(), len(w.readframes(1 << 30)))" ${WORK}/cli5.wav OUTPUT_VARIABLE python)
execute_process(COMMAND ${SOX} -V1 ${WORK}/cli5.wav -t raw ${WORK}/cli5.raw RESULT_VARIABLE sox_code)
file(READ ${WORK}/cli5.raw sox_samples HEX)
set(ffprobe "pcm_s16le,48000,2,24000\n")
if(FFPROBE)
  execute_process(COMMAND ${FFPROBE} -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts
                  -of csv=p=0 ${WORK}/cli5.wav OUTPUT_VARIABLE ffprobe)
endif()
if(NOT python STREQUAL "2 2 48000 96000\n" OR NOT sox_code EQUAL 0 OR NOT sox_samples STREQUAL rendered
   OR NOT ffprobe STREQUAL "pcm_s16le,48000,2,24000\n")
  message(FATAL_ERROR "the streamed WAV: python's wave says ${python}, sox ${sox_code}, ffprobe ${ffprobe}")
endif()
