target_link_libraries(${name} PRIVATE vexlo_evaluation vexlo_model vexlo_testsupport_store)
