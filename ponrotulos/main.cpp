// main.cpp - start of PonRotulos: five arguments, messages on standard output, exit status 0.
#include <cstdio>

#include "ponrotulos/ponrotulos.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs(cad::kPonRotulosUsage, stdout);
        return 0;
    }
    cad::PonRotulosArgs args{argv[1], argv[2], argv[3], argv[4], argv[5]};
    cad::ponrotulos_run(args, stdout);
    std::fflush(stdout);
    return 0;
}
