target_link_libraries(${name} PRIVATE vexlo_online)
