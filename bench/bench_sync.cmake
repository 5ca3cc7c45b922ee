target_link_libraries(${name} PRIVATE vexlo_store vexlo_testsupport_store)
