target_link_libraries(${name} PRIVATE vexlo_raceday vexlo_testsupport_store)
