target_link_libraries(${name} PRIVATE vexlo_screens_startlist vexlo_testsupport_store)
