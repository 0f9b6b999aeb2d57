/* The peer: md4c's parser over the same file, GitHub dialect (so pipe tables count), with
   callbacks that do nothing. Prints the block count like ours. */
#include <stdio.h>
#include <stdlib.h>

#include <md4c.h>

static long long blockCount = 0;

static int enterBlock(MD_BLOCKTYPE type, void *detail, void *userdata)
{
    (void)type;
    (void)detail;
    (void)userdata;
    ++blockCount;
    return 0;
}

static int leaveBlock(MD_BLOCKTYPE type, void *detail, void *userdata)
{
    (void)type;
    (void)detail;
    (void)userdata;
    return 0;
}

static int span(MD_SPANTYPE type, void *detail, void *userdata)
{
    (void)type;
    (void)detail;
    (void)userdata;
    return 0;
}

static int text(MD_TEXTTYPE type, const MD_CHAR *chars, MD_SIZE size, void *userdata)
{
    (void)type;
    (void)chars;
    (void)size;
    (void)userdata;
    return 0;
}

static char *readAll(const char *path, size_t *size)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return NULL;
    char *data = NULL;
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0 && (length = ftell(file)) >= 0 &&
        fseek(file, 0, SEEK_SET) == 0)
        data = malloc((size_t)length + 1);
    if (data && fread(data, 1, (size_t)length, file) != (size_t)length) {
        free(data);
        data = NULL;
    }
    fclose(file);
    *size = (size_t)length;
    return data;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE.md\n", argv[0]);
        return 2;
    }
    size_t size = 0;
    char *data = readAll(argv[1], &size);
    if (!data) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    MD_PARSER parser = {0};
    parser.flags = MD_DIALECT_GITHUB;
    parser.enter_block = enterBlock;
    parser.leave_block = leaveBlock;
    parser.enter_span = span;
    parser.leave_span = span;
    parser.text = text;
    if (md_parse(data, (MD_SIZE)size, &parser, NULL) != 0) {
        fprintf(stderr, "md_parse failed\n");
        return 1;
    }
    free(data);
    printf("%lld blocks\n", blockCount);
    return 0;
}
