# Where an installed Quillmere lives. The program and the tools find the
# reader and the type-name file beside their own executable (through
# /proc/self/exe, so also when started through a link), so all of them share
# one private folder, and bin/ holds relative links to the commands a user
# types. Relative links keep a DESTDIR-staged or relocated tree working.
include(GNUInstallDirs)

# A private folder under lib/, not CMAKE_INSTALL_LIBDIR: on Debian that is the
# multiarch folder, which is for shared libraries.
set(QUILLMERE_INSTALL_PKGDIR "lib/quillmere")

# Folders an install makes are 0755 whatever the umask of whoever installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Everything that is installed, and nothing else: what the package build makes
# (cmake --build --target quillmere-installed), without the tests.
add_custom_target(quillmere-installed)

# A helper executable the others start from beside themselves.
function(quillmere_install_helper target)
    install(TARGETS ${target} RUNTIME DESTINATION ${QUILLMERE_INSTALL_PKGDIR})
    add_dependencies(quillmere-installed ${target})
endfunction()

# A command users type: the executable in the private folder, a link in bin/.
function(quillmere_install_command target)
    quillmere_install_helper(${target})
    file(RELATIVE_PATH to_pkgdir /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QUILLMERE_INSTALL_PKGDIR})
    set(links ${CMAKE_BINARY_DIR}/install-links)
    file(MAKE_DIRECTORY ${links})
    file(CREATE_LINK ${to_pkgdir}/${target} ${links}/${target} SYMBOLIC)
    # install(FILES) copies a link as a link.
    install(FILES ${links}/${target} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
