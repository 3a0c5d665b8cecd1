# Turns the eps_export target into the plug-in module a Windows host loads:
# eps_export.dll, exporting exactly the four functions of plugin/eps_export.def
# by undecorated name with the callee popping the arguments (stdcall), and
# importing nothing beyond the system DLLs (the toolchain links the compiler
# runtime statically).
set_target_properties(eps_export PROPERTIES
  PREFIX ""
  IMPORT_PREFIX ""
  OUTPUT_NAME eps_export
)
target_sources(eps_export PRIVATE ${PROJECT_SOURCE_DIR}/plugin/eps_export.def)
target_link_options(eps_export PRIVATE -Wl,--kill-at -Wl,--disable-stdcall-fixup)
