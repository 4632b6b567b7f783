// A shared library with no registration entry, like the cipher library.
extern "C" __attribute__((visibility("default"))) int ZephralPlainComponent() {
    return 1;
}
