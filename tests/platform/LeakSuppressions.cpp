// Qt's PDF module keeps a few objects of its loader thread until the process
// ends; LeakSanitizer reports them as leaks of ours when this executable is run
// by hand, outside ctest (which turns leak detection off).
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6Pdf.so\n";
}
