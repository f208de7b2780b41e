/* A program that does nothing, with a version resource: what the signature
   tests sign, break and rename. */
int main(void) {
    return 0;
}
