target_link_libraries(${name} PRIVATE vexlo_setup vexlo_testsupport_store)
