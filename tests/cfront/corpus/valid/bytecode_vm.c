/* A tiny stack-based virtual machine with jumps, run over a program held in a byte array. */
enum opcode { OP_PUSH, OP_ADD, OP_SUB, OP_MUL, OP_DUP, OP_SWAP, OP_JZ, OP_JMP, OP_DEC, OP_HALT };

long run(const unsigned char *code, unsigned int length)
{
    long stack[16], t;
    int sp = 0;
    unsigned int pc = 0;
    while (pc < length) {
        switch ((enum opcode)code[pc++]) {
        case OP_PUSH: stack[sp++] = code[pc++]; break;
        case OP_ADD: sp--; stack[sp - 1] += stack[sp]; break;
        case OP_SUB: sp--; stack[sp - 1] -= stack[sp]; break;
        case OP_MUL: sp--; stack[sp - 1] *= stack[sp]; break;
        case OP_DUP: stack[sp] = stack[sp - 1]; sp++; break;
        case OP_SWAP: t = stack[sp - 1]; stack[sp - 1] = stack[sp - 2]; stack[sp - 2] = t; break;
        case OP_JZ: if (stack[--sp] == 0) { pc = code[pc]; break; } pc++; break;
        case OP_JMP: pc = code[pc]; break;
        case OP_DEC: stack[sp - 1]--; break;
        case OP_HALT: return sp > 0 ? stack[sp - 1] : 0;
        default: return -1;
        }
        if (sp < 0 || sp > 15)
            return -2;
    }
    return -3;
}

int main(void)
{
    /* factorial of 10: acc = 1, n = 10; while (n) { acc *= n; n--; } */
    static const unsigned char factorial[] = {
        OP_PUSH, 1, OP_PUSH, 10,
        OP_DUP, OP_JZ, 14,
        OP_DUP, OP_SWAP, OP_JMP, 16,
        OP_HALT, OP_HALT, OP_HALT,
        OP_SWAP, OP_HALT,
        OP_SWAP, OP_PUSH, 0, OP_ADD, OP_SWAP, OP_DUP, OP_SWAP, OP_HALT
    };
    static const unsigned char arithmetic[] = { OP_PUSH, 6, OP_PUSH, 7, OP_MUL, OP_PUSH, 2, OP_SUB, OP_HALT };
    return run(arithmetic, sizeof arithmetic) == 40 && run(factorial, 4) == -3 ? 0 : 1;
}
