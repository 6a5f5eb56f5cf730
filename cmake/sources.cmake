# Code that only transforms text: compiled natively for unit tests and fuzzing
# and cross-compiled unchanged into the launcher.
set(TARVO_TEXT_SOURCES
  src/files/text.cpp
  src/files/utf8_text.cpp
  src/files/path_text.cpp
  src/config/config_text.cpp
  src/launcher/cmdline_text.cpp
  src/errors/message_text.cpp
  src/files/list_text.cpp
  src/supervise/comm_text.cpp
  src/jvm/version_text.cpp
  src/jvm/search_text.cpp
  src/jvm/search_report_text.cpp
  src/jvm/image_text.cpp
  src/files/string_list.cpp
  src/app/words_text.cpp
  src/app/options_file_text.cpp
  src/app/java_string_text.cpp
)

# The thin Win32 layer of the launcher, apart from its entry point.
set(TARVO_WIN_SOURCES
  src/config/state.cpp
  src/config/config.cpp
  src/config/data_folder.cpp
  src/files/wide.cpp
  src/files/busy.cpp
  src/files/trace.cpp
  src/files/paths.cpp
  src/files/temp_records.cpp
  src/files/extract.cpp
  src/files/registry.cpp
  src/errors/fail.cpp
  src/errors/error_dialog.cpp
  src/errors/logs.cpp
  src/supervise/dpi.cpp
  src/supervise/splash.cpp
  src/supervise/monitor.cpp
  src/launcher/parent.cpp
  src/launcher/child.cpp
  src/app/run_application.cpp
  src/app/vm_options.cpp
  src/app/vm_text.cpp
  src/jvm/find_jvm.cpp
  src/jvm/candidate.cpp
  src/jvm/dll_diagnosis.cpp
)
