# Cross build for the device: 32-bit ARM (armhf) with Debian's cross compiler and the
# distribution's :armhf multiarch libraries; programs run on the build machine under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# Libraries and headers come only from the multiarch folders; programs (pkg-config, the shell)
# from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf /usr/lib/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Test discovery and ctest run the ARM programs through the user-mode emulator. The loader and
# libraries of the :armhf packages sit at the paths the programs ask for, so no -L is needed.
find_program(NVR_QEMU_ARM qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NVR_QEMU_ARM})

# GCC notes on every std::vector of a 64-bit member that the argument passing of the ARM EABI
# changed in GCC 7.1; nothing here crosses that boundary with another compiler's code.
add_compile_options(-Wno-psabi)
