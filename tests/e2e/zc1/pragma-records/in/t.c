#pragma section data fast tiny
int counter = 1;
#pragma section data
#pragma pack(2)
struct pair { char tag; int value; };
#pragma pack()
struct pair first;
#pragma io status_port 0x40
#pragma adecl
int scale(int v);
#pragma cdecl
#pragma disinterrupt(2) tick
void tick(void) {
  counter = 2;
#pragma opt 12
  status_port = 1;
#pragma check_stack off
}
#pragma loop_opt on
