target_link_libraries(${name} PRIVATE vexlo_entries vexlo_testsupport_store)
