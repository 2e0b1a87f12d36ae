# SPDX-License-Identifier: GPL-3.0-or-later
# Settings of the Debian package; included at the end of the top-level
# CMakeLists.txt (see CMakeLists.txt in this folder), after all install rules.
#
#   cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build
#   cd build && cpack -G DEB        ->  brelon_<version>_<arch>.deb

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brelon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Brelon team")
set(CPACK_PACKAGE_CONTACT "Brelon team <brelon@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaching program showing wave diffraction on a grating")
set(CPACK_PACKAGE_DESCRIPTION
"Brelon shows, in a single window with Czech texts, how a wave is diffracted
by a grating of 2, 3, 4 or 20 openings. The user picks the number of
openings, the frequency and a slowdown, presses Start and watches the scene
being drawn: the incident wave, the aperture, white rays, a row of phasor
chains (Cornu spirals) and the intensity bars growing from left to right.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.org/brelon")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME brelon)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brelon team <brelon@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.org/brelon")

# What the program needs at run time beyond the libraries it links: the fonts
# the window is drawn with. The X11 platform plugin (xcb) comes with libqt6gui6;
# the Wayland one comes with qt6-wayland, recommended so that a session without
# an X server shows the window too.
set(_brelon_runtime_depends "fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
find_program(DPKG_SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
if(DPKG_SHLIBDEPS_EXECUTABLE)
  # dpkg-shlibdeps (package dpkg-dev) adds the linked libraries with their
  # minimal versions: libqt6widgets6, libqt6gui6, libqt6core6, libc6,
  # libstdc++6, libgcc-s1.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_brelon_runtime_depends}")
else()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6gui6, libqt6core6, ${_brelon_runtime_depends}, libstdc++6, libc6")
endif()
unset(_brelon_runtime_depends)

include(CPack)
