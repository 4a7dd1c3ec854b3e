# Writes a C++ file that exports the resource script IN as the module's resources.
file(READ ${IN} script)
file(WRITE ${OUT}.tmp "// Generated from fernwick.rc; do not edit.\n#include \"string_resources.h\"\n\nstatic const char kResourceScript[] = R\"fwrc(${script})fwrc\";\n\nHOST_MODULE_RESOURCES(kResourceScript)\n")
file(RENAME ${OUT}.tmp ${OUT})
