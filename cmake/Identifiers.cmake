# The product's identifiers, written here and nowhere else: configuring
# writes them into the plug-in's header (Plugin/Objects/ClassIds.h.in) and
# the installers' includes (installer/Identifiers.nsh.in for the NSIS
# installer, installer/Identifiers.wxi.in for the MSI package, whose
# upgrade code make-msi.sh also gives its Upgrade table). A class
# identifier, once shipped, never changes: the host's entries and every
# installed registration name it.

# The plug-in object's class, which the host creates for each session.
set(ARVIK_PLUGIN_CLSID 6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04)
# The control plug-in's class, which serves the control panel's page.
set(ARVIK_CONTROL_PLUGIN_CLSID B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38)
# The MSI package's upgrade code, the same in every package, by which a
# newer one finds and replaces an older one; the NSIS installer looks for
# an installed package by it too.
set(ARVIK_MSI_UPGRADE_CODE 7D88E5F3-F6A3-46DF-87D6-82F06B50BC44)
# The MSI package's product code: "*", a new one for every package that
# wixl builds. A major upgrade needs a code of its own for the new package,
# and so does another build of the same version that replaces the
# installed one.
set(ARVIK_MSI_PRODUCT_CODE "*")

# Each a GUID in upper-case digits; ARVIK_<NAME>_C is the GUID as
# a C initializer, {0x6A0F3C2E, 0x71D4, 0x4B8A, {0x9E, 0x25, ...}}.
set(hex "[0-9A-F]")
foreach(name PLUGIN_CLSID CONTROL_PLUGIN_CLSID MSI_UPGRADE_CODE)
  set(id ${ARVIK_${name}})
  if(NOT id MATCHES "^${hex}${hex}${hex}${hex}${hex}${hex}${hex}${hex}-${hex}${hex}${hex}${hex}-${hex}${hex}${hex}${hex}-${hex}${hex}${hex}${hex}-${hex}${hex}${hex}${hex}${hex}${hex}${hex}${hex}${hex}${hex}${hex}${hex}$")
    message(FATAL_ERROR "cmake/Identifiers.cmake: ARVIK_${name} ${id} is not a GUID in upper-case digits")
  endif()
  string(SUBSTRING ${id} 0 8 first)
  string(SUBSTRING ${id} 9 4 second)
  string(SUBSTRING ${id} 14 4 third)
  string(REPLACE "-" "" bytes ${id})
  set(c "{0x${first}, 0x${second}, 0x${third}, {")
  foreach(at 16 18 20 22 24 26 28 30)
    string(SUBSTRING ${bytes} ${at} 2 byte)
    string(APPEND c "0x${byte}")
    if(at LESS 30)
      string(APPEND c ", ")
    endif()
  endforeach()
  set(ARVIK_${name}_C "${c}}}")
endforeach()
