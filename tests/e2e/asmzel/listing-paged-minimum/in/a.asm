; page length 10 is raised to 33
prog SECTION CODE
 NOP ; line 3
 NOP ; line 4
 NOP ; line 5
 NOP ; line 6
 NOP ; line 7
 NOP ; line 8
 NOP ; line 9
 NOP ; line 10
 NOP ; line 11
 NOP ; line 12
 NOP ; line 13
 NOP ; line 14
 NOP ; line 15
 NOP ; line 16
 NOP ; line 17
 NOP ; line 18
 NOP ; line 19
 LD A,undefined
 NOP ; line 21
 NOP ; line 22
 NOP ; line 23
 NOP ; line 24
 NOP ; line 25
 NOP ; line 26
 NOP ; line 27
 NOP ; line 28
 NOP ; line 29
 NOP ; line 30
 NOP ; line 31
 NOP ; line 32
 NOP ; line 33
 NOP ; line 34
 NOP ; line 35
 NOP ; line 36
 NOP ; line 37
 NOP ; line 38
 NOP ; line 39
 LD A,0x1FF:8
 NOP ; line 41
 NOP ; line 42
 NOP ; line 43
 NOP ; line 44
 NOP ; line 45
 NOP ; line 46
 NOP ; line 47
 NOP ; line 48
 NOP ; line 49
 NOP ; line 50
 NOP ; line 51
 NOP ; line 52
 NOP ; line 53
 END
