/* A program whose only purpose is the manifest linked into it. */
int main(void) {
    return 0;
}
