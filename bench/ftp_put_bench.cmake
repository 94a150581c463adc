# The FTP upload benchmark is a script; it lands in <build>/bench with the
# path of this build's vornftp filled in.
if(TARGET vornftp OR EXISTS ${PROJECT_SOURCE_DIR}/tools/vornftp)
  file(READ ${CMAKE_CURRENT_LIST_DIR}/ftp_put_bench.sh ftp_bench_text)
  string(REPLACE "@VORNFTP@" "$<TARGET_FILE:vornftp>" ftp_bench_text "${ftp_bench_text}")
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/bench/ftp_put_bench.sh CONTENT "${ftp_bench_text}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
