# The shim's tests run with the shim replacing the executable's heap
# functions, as in the DLL; one of them loads the DLL itself.
target_link_libraries(${name} PRIVATE base_allocator)
add_dependencies(${name} velto_installer)
