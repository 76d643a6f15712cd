// The library's version, carried in the file as an ELF note so that hosts
// can read it without loading the library:
//   name "KASDRV", type 1, description: four little-endian 16-bit numbers
//   major, minor, release, build.
#if defined(__ELF__)
#define KAS_STR2(x) #x
#define KAS_STR(x) KAS_STR2(x)
__asm__(".pushsection .note.kasdrv.version,\"a\",@note\n"
        ".balign 4\n"
        ".long 7\n"
        ".long 8\n"
        ".long 1\n"
        ".asciz \"KASDRV\"\n"
        ".balign 4\n"
        ".short " KAS_STR(KASDRV_VERSION_MAJOR) "," KAS_STR(KASDRV_VERSION_MINOR) "," KAS_STR(
            KASDRV_VERSION_PATCH) "," KAS_STR(KASDRV_VERSION_BUILD) "\n"
                                                                    ".balign 4\n"
                                                                    ".popsection\n");
#endif
