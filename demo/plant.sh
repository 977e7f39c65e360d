# Sourced: plant_samples DRIVE_C BIN_DIR plants the harmless samples under
# DRIVE_C/purvane-e2e: files to delete (one in a dot folder, one under a
# name the ANSI code page cannot spell), files to keep, the process samples,
# and a folder link back to an ancestor. E2E_STARTS then holds the driver's
# --start options for the running samples.
plant_samples() {
  local c=$1 bin=$2
  local plant=$c/purvane-e2e samples=$bin/../samples processes=$bin/process_samples/x64
  mkdir -p "$plant/delete/.cache" "$plant/keep"
  cp "$samples/PURVANE_TEST_SAMPLE_001.exe" "$samples/eicar.com" "$plant/delete/"
  cp "$samples/PURVANE_TEST_SAMPLE_003.exe" "$plant/delete/.cache/"
  cp "$samples/PURVANE_TEST_SAMPLE_004.exe" "$plant/delete/$(printf '\xe4\xb8\xad\xe6\x96\x87').exe"
  cp "$samples/PURVANE_TEST_SAMPLE_002.exe" "$plant/keep/"
  cp "$processes/purvane_window_sample.exe" "$processes/purvane_library_host.exe" \
     "$processes/purvane_sample_library.dll" "$plant/delete/"
  cp "$processes/purvane_hidden_sample.exe" "$plant/keep/"
  ln -sfn .. "$plant/delete/loop"
  E2E_STARTS=(--start 'C:\purvane-e2e\delete\purvane_window_sample.exe'
              --start 'C:\purvane-e2e\delete\purvane_library_host.exe "C:\purvane-e2e\delete\purvane_sample_library.dll"'
              --start 'C:\purvane-e2e\keep\purvane_hidden_sample.exe')
}

# windows_path PATH: PATH as Wine's Z: drive spells it.
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }
