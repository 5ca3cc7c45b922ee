target_link_libraries(${name} PRIVATE vexlo_store vexlo_iof vexlo_documents)
