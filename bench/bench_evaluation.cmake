target_link_libraries(${name} PRIVATE vexlo_evaluation vexlo_store vexlo_testsupport_store)
target_link_libraries(${name} PRIVATE vexlo_reader)
