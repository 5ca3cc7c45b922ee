target_link_libraries(${name} PRIVATE vexlo_documents Qt6::Gui)
