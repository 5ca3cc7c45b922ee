target_link_libraries(${name} PRIVATE vexlo_model vexlo_testsupport_store)
