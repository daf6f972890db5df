// The library the test program needs, which the test machine does not have where the loader
// looks.
int NotThere() {
    return 0;
}
