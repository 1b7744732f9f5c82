# One fuzz target per way bytes reach the program from outside; each lives in fuzz/<name>.cpp
# and has its seed corpus in fuzz/corpus/<name>/.
set(VX470_FUZZ_TARGETS
  fuzz_link_replies
  fuzz_device_reports
  fuzz_preset_file
  fuzz_init_cfg
  fuzz_typed_keys
  fuzz_sim_commands
)
