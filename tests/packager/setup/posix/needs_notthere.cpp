// Needs libnotthere.so.1, which the program loader cannot find.
int NotThere();

int main() {
    return NotThere();
}
