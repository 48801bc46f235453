# The layers of the program, kept by the build: each library publishes only
# its own folder, under its name, so that "database/Catalog.h" is found by
# exactly the targets that link the database layer, and by no other.
#
# A folder is published through a directory of its own in the build tree
# that holds one link, named as the folder, to the sources: the include path
# of a target then reaches the folders of the layers it links and nothing
# beside them.

# quillmere_publish_folder(TARGET FOLDER [SOURCE_DIR])
function(quillmere_publish_folder target folder)
    if(ARGC GREATER 2)
        set(source_dir ${ARGV2})
    else()
        set(source_dir ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    set(published ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${published})
    file(CREATE_LINK ${source_dir} ${published}/${folder} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${published})
endfunction()

# quillmere_forbid_include(NAME TARGET HEADER ALLOWED_HEADER)
# A test that a source of TARGET's layer cannot include HEADER: a probe built
# with TARGET's published folders compiles with ALLOWED_HEADER (so the probe
# itself is sound) and fails with HEADER not found.
function(quillmere_forbid_include name target header allowed)
    set(dir ${CMAKE_BINARY_DIR}/layer-probes/${name})
    file(WRITE ${dir}/allowed.cpp "#include \"${allowed}\"\n")
    file(WRITE ${dir}/forbidden.cpp "#include \"${header}\"\n")
    foreach(kind allowed forbidden)
        add_library(layer_probe_${name}_${kind} OBJECT EXCLUDE_FROM_ALL ${dir}/${kind}.cpp)
        target_link_libraries(layer_probe_${name}_${kind} PRIVATE ${target})
        set_target_properties(layer_probe_${name}_${kind} PROPERTIES AUTOMOC OFF)
    endforeach()
    add_test(NAME layers_${name}
             COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR}
                     -DPROBE=layer_probe_${name} -DHEADER=${header}
                     -P ${CMAKE_SOURCE_DIR}/cmake/LayerProbe.cmake)
    # Probes build in the same tree: one at a time.
    set_tests_properties(layers_${name} PROPERTIES RESOURCE_LOCK layer-probes)
endfunction()
