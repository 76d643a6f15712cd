/* A stand-in driver library file that carries only a version note:
 * name "KASDRV", type 1, four little-endian 16-bit numbers. */
#define STR2(x) #x
#define STR(x) STR2(x)
#define NOTE_NUMBERS STR(NOTE_MAJOR) "," STR(NOTE_MINOR) "," STR(NOTE_RELEASE) "," STR(NOTE_BUILD)

/* clang-format off */
__asm__(".pushsection .note.kasdrv.version,\"a\",@note\n"
        ".balign 4\n"
        ".long 7\n"              /* name size */
        ".long 8\n"              /* description size */
        ".long 1\n"              /* type */
        ".asciz \"KASDRV\"\n"
        ".balign 4\n"
        ".short " NOTE_NUMBERS "\n"
        ".balign 4\n"
        ".popsection\n");
/* clang-format on */

int kasmon_test_library_marker(void);
int kasmon_test_library_marker(void) {
    return 1;
}
