// The PDF library keeps a few parser objects when it refuses a damaged file;
// those are its own, not the renderer's, so the leak check skips them.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6Pdf.so\n";
}
