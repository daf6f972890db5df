// The code of the test library; only its version resource matters.
extern "C" __declspec(dllexport) int VersionedAnswer() {
    return 42;
}
