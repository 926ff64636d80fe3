# placeholder until the platform calls are built.
add_library(vor_ipc_platform INTERFACE)
