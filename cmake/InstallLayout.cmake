# Where an installed Tressel keeps its files, relative to the installation prefix, and the generated
# header that tells the programs their version and how to reach those files from their own folder.
# Paths from the program's folder rather than absolute ones keep an installed tree movable: a DESTDIR
# copy, /usr/local and the Debian package under /usr all find their own files.
include(GNUInstallDirs)

# The name of the desktop entry, the AppStream component and the icon, in reverse-domain form.
set(TRESSEL_APP_ID org.brindlewick.Tressel)

# The encoder module is ours alone, so it lives in a private folder and never on the loader's path.
set(TRESSEL_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/tressel)
set(TRESSEL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tressel)
set(TRESSEL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tressel)

# tressel_path_from_bindir(VAR DIR): DIR (relative to the prefix) as seen from the installed programs.
function(tressel_path_from_bindir var dir)
  file(RELATIVE_PATH relative /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${dir})
  set(${var} ${relative} PARENT_SCOPE)
endfunction()
tressel_path_from_bindir(TRESSEL_PRIVATE_LIBDIR_FROM_BINDIR ${TRESSEL_INSTALL_PRIVATE_LIBDIR})
tressel_path_from_bindir(TRESSEL_HELP_FROM_BINDIR ${TRESSEL_INSTALL_DATADIR}/help)

# Generated at build time into the build tree, installed with the examples.
set(TRESSEL_DEMO_RECORDING ${CMAKE_BINARY_DIR}/examples/demo-speech.wav)

set(TRESSEL_GENERATED_INCLUDE_DIR ${CMAKE_BINARY_DIR}/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/BuildInfo.h.in ${TRESSEL_GENERATED_INCLUDE_DIR}/tressel/BuildInfo.h @ONLY)
