	module	stepper
	public	_coilsX,_coilsY,_limits,_serialData,_serialStatus

	public	_ticks,_received,_lineReady,_axisX,_axisY
	public	_line,_command,_argument,_errors,_replies

	public	_fullSteps,_halfSteps,_ramp,_digits,_receiveVector
	public	_timerVector,_resetVector

	public	_send,_clearLine,_digitValue,_readArgument,_startX
	public	_startY,_stopAll,_home,_report,_execute
	public	_nextPhase,_rampUp,_tickX,_tickY,_timer
	public	_receive,_waitIdle,_main


ports	section data abs = 0x0
;+++ 	unsigned char coilsX;
_coilsX		dsb	1
;+++ 	unsigned char coilsY;
_coilsY		dsb	1
;+++ 	unsigned char limits;
_limits		dsb	1
;+++ 	unsigned char serialData;
_serialData	dsb	1
;+++ 	unsigned char serialStatus;
_serialStatus	dsb	1

fast	section data small
;+++ 	unsigned char ticks;
_ticks		dsb	1
;+++ 	unsigned char received;
_received	dsb	1
;+++ 	unsigned char lineReady;
_lineReady	dsb	1

vars	section data medium
;+++ 	struct axis axisX;
_axisX		dsb	6
;+++ 	struct axis axisY;
_axisY		dsb	6
;+++ 	unsigned char line[LINE_SIZE];
_line		dsb	16
;+++ 	unsigned char command;
_command	dsb	1
;+++ 	unsigned char argument;
_argument	dsb	1
;+++ 	unsigned char errors;
_errors		dsb	1
;+++ 	unsigned char replies;
_replies	dsb	1

rom	section romdata medium
;+++ 	const unsigned char fullSteps[4] = {0x09, 0x0C, 0x06, 0x03};
_fullSteps	db	9,12,6,3
;+++ 	const unsigned char halfSteps[8] = {0x08, 0x0C, 0x04, 0x06, 0x02, 0x03, 0x01, 0x09};
_halfSteps	db	8,12,4,6,2,3,1,9
;+++ 	const unsigned char ramp[RAMP_STEPS] = {40, 28, 20, 14, 10, 8, 6, 5};
_ramp		db	40,28,20,14,10,8,6,5
;+++ 	const unsigned char digits[10] = "0123456789";
_digits		db	48,49,50,51,52,53,54,55,56,57

code	section code medium
;+++ 	void send(unsigned char A)
_send:		;++0 0064
;+++ 	B = A;
	ld	b,a		;++0 0066
;+++ 	do {
__0000:		;++0 0067
;+++ 	A = serialStatus;
	ld	a,(_serialStatus)		;++0 0068
;+++ 	A &= 0x20;
	and	a,32		;++0 0069
;+++ 	} while (A == 0);
__0001:		;++0 0070
	cmp	a,0
	j	eq,__0000
__0002:
;+++ 	serialData = B;
	ld	(_serialData),b		;++0 0071
;+++ 	A = replies;
	ld	hl,_replies		;++0 0072
	ld	a,(hl)
;+++ 	A++;
	inc	a			;++0 0073
;+++ 	replies = A;
	ld	hl,_replies		;++0 0074
	ld	(hl),a
;+++ 	void clearLine(void)
_clearLine:		;++0 0078
;+++ 	HL = &line[0];
	ld	hl,_line		;++0 0080
;+++ 	B = LINE_SIZE;
	ld	b,16		;++0 0081
;+++ 	A = 0;
	ld	a,0		;++0 0082
;+++ 	while (B != 0) {
__0003:		;++0 0083
	cmp	b,0
	j	eq,__0004
;+++ 	*HL = A;
	ld	(hl),a		;++0 0084
;+++ 	HL++;
	inc	hl			;++0 0085
;+++ 	B--;
	dec	b			;++0 0086
	j	__0003	
__0004:
;+++ 	received = 0;
	ld	(_received),0		;++0 0088
;+++ 	lineReady = 0;
	ld	(_lineReady),0		;++0 0089
;+++ 	void digitValue(unsigned char A)
_digitValue:		;++0 0093
;+++ 	HL = &digits[0];
	ld	hl,_digits		;++0 0095
;+++ 	C = 0;
	ld	c,0		;++0 0096
;+++ 	for (B = 10; B != 0; B--) {
	ld	b,10		;++0 0097
__0006:
	cmp	b,0
	j	eq,__0007
;+++ 	if (A == *HL) {
	cmp	a,(hl)		;++0 0098
	j	ne,__0008
;+++ 	A = C;
	ld	a,c		;++0 0099
;+++ 	return;
	ret		;++0 0100
__0008:
;+++ 	HL++;
	inc	hl			;++0 0102
;+++ 	C++;
	inc	c			;++0 0103
__0005:
	dec	b	
	j	__0006			;++0 0103
__0007:
;+++ 	A = 0xFF;
	ld	a,255		;++0 0105
;+++ 	void readArgument(void)
_readArgument:		;++0 0109
;+++ 	argument = 0;
	ld	hl,_argument		;++0 0111
	ld	(hl),0
;+++ 	HL = &line[1];
	ld	hl,_line+1		;++0 0112
;+++ 	A = *HL;
	ld	a,(hl)		;++0 0113
;+++ 	while (A != 0) {
__0009:		;++0 0114
	cmp	a,0
	j	eq,__000a
;+++ 	PUSH(HL);
	push	hl			;++0 0115
;+++ 	digitValue(A);
	call	_digitValue			;++0 0116
;+++ 	POP(HL);
	pop	hl			;++0 0117
;+++ 	if (A == 0xFF) {
	cmp	a,255		;++0 0118
	j	ne,__000b
;+++ 	errors += 1;
	ld	hl,_errors		;++0 0119
	add	(hl),1
;+++ 	return;
	ret		;++0 0120
__000b:
	ld	c,a		;++0 0122
	ld	hl,_argument		;++0 0123
	ld	a,(hl)
	shlc	a			;++0 0124
;+++ 	B = A;
	ld	b,a		;++0 0125
;+++ 	A <<= 2;
	shlc	a			;++0 0126
	shlc	a	
;+++ 	A += B;
	add	a,b		;++0 0127
;+++ 	A += C;
	add	a,c		;++0 0128
;+++ 	argument = A;
	ld	hl,_argument		;++0 0129
	ld	(hl),a
;+++ 	HL++;
	inc	hl			;++0 0130
;+++ 	A = *HL;
	ld	a,(hl)		;++0 0131
	j	__0009	
__000a:
;+++ 	void startX(void)
_startX:		;++0 0136
;+++ 	A = argument;
	ld	hl,_argument		;++0 0138
	ld	a,(hl)
;+++ 	if (A == 0) {
	cmp	a,0		;++0 0139
	j	ne,__000c
;+++ 	return;
	ret		;++0 0140
__000c:
;+++ 	axisX.steps = A;
	ld	hl,_axisX+5		;++0 0142
	ld	(hl),a
;+++ 	axisX.speed = 0;
	ld	hl,_axisX+1		;++0 0143
	ld	(hl),0
;+++ 	A = ramp[0];
	ld	hl,_ramp		;++0 0144
	ld	a,(hl)
;+++ 	axisX.wait = A;
	ld	hl,_axisX+2		;++0 0145
	ld	(hl),a
;+++ 	axisX.moving = 1;
	ld	hl,_axisX+3		;++0 0146
	ld	(hl),1
;+++ 	void startY(void)
_startY:		;++0 0150
;+++ 	A = argument;
	ld	hl,_argument		;++0 0152
	ld	a,(hl)
;+++ 	if (A == 0) {
	cmp	a,0		;++0 0153
	j	ne,__000d
;+++ 	return;
	ret		;++0 0154
__000d:
;+++ 	axisY.steps = A;
	ld	hl,_axisY+5		;++0 0156
	ld	(hl),a
;+++ 	axisY.speed = 0;
	ld	hl,_axisY+1		;++0 0157
	ld	(hl),0
;+++ 	A = ramp[0];
	ld	hl,_ramp		;++0 0158
	ld	a,(hl)
;+++ 	axisY.wait = A;
	ld	hl,_axisY+2		;++0 0159
	ld	(hl),a
;+++ 	axisY.moving = 1;
	ld	hl,_axisY+3		;++0 0160
	ld	(hl),1
;+++ 	void stopAll(void)
_stopAll:		;++0 0164
;+++ 	axisX.moving = 0;
	ld	hl,_axisX+3		;++0 0166
	ld	(hl),0
;+++ 	axisY.moving = 0;
	ld	hl,_axisY+3		;++0 0167
	ld	(hl),0
;+++ 	A = 0;
	ld	a,0		;++0 0168
;+++ 	coilsX = A;
	ld	(_coilsX),a		;++0 0169
;+++ 	coilsY = A;
	ld	(_coilsY),a		;++0 0170
;+++ 	void home(void)
_home:		;++0 0174
;+++ 	axisX.homed = 0;
	ld	hl,_axisX+4		;++0 0176
	ld	(hl),0
;+++ 	axisY.homed = 0;
	ld	hl,_axisY+4		;++0 0177
	ld	(hl),0
;+++ 	argument = 200;
	ld	hl,_argument		;++0 0178
	ld	(hl),200
;+++ 	startX();
	call	_startX			;++0 0179
;+++ 	startY();
	call	_startY			;++0 0180
;+++ 	void report(void)
_report:		;++0 0184
;+++ 	C = 0;
	ld	c,0		;++0 0186
;+++ 	A = axisX.moving;
	ld	hl,_axisX+3		;++0 0187
	ld	a,(hl)
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0188
	j	eq,__000e
;+++ 	C |= 0x01;
	or	c,1		;++0 0189
__000e:
;+++ 	A = axisY.moving;
	ld	hl,_axisY+3		;++0 0191
	ld	a,(hl)
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0192
	j	eq,__000f
;+++ 	C |= 0x02;
	or	c,2		;++0 0193
__000f:
;+++ 	A = axisX.homed;
	ld	hl,_axisX+4		;++0 0195
	ld	a,(hl)
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0196
	j	eq,__0010
;+++ 	C |= 0x10;
	or	c,16		;++0 0197
__0010:
;+++ 	A = axisY.homed;
	ld	hl,_axisY+4		;++0 0199
	ld	a,(hl)
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0200
	j	eq,__0011
;+++ 	C |= 0x20;
	or	c,32		;++0 0201
__0011:
;+++ 	A = C;
	ld	a,c		;++0 0203
;+++ 	send(A);
	call	_send			;++0 0204
;+++ 	void execute(void)
_execute:		;++0 0208
;+++ 	A = line[0];
	ld	hl,_line		;++0 0210
	ld	a,(hl)
;+++ 	command = A;
	ld	hl,_command		;++0 0211
	ld	(hl),a
;+++ 	readArgument();
	call	_readArgument			;++0 0212
;+++ 	A = command;
	ld	hl,_command		;++0 0213
	ld	a,(hl)
	ld	hl,__0019		;++0 0214
	ld	w,(hl+)
__001a:
	cmp	a,(hl+)
	j	t,__001b
	inc	hl
	inc	hl
	dec	w
	j	nz,__001a
__001b:
	j	(hl)
__0019	db	0x5
	db	0x58
	dw	__0013
	db	0x59
	dw	__0014
	db	0x53
	dw	__0015
	db	0x48
	dw	__0016
	db	0x52
	dw	__0017
	dw	__0018
;+++ 	case 'X':
__0013:		;++0 0215
;+++ 	startX();
	call	_startX			;++0 0216
;+++ 	break;
	j	__0012			;++0 0217
;+++ 	case 'Y':
__0014:		;++0 0218
;+++ 	startY();
	call	_startY			;++0 0219
;+++ 	break;
	j	__0012			;++0 0220
;+++ 	case 'S':
__0015:		;++0 0221
;+++ 	stopAll();
	call	_stopAll			;++0 0222
;+++ 	break;
	j	__0012			;++0 0223
;+++ 	case 'H':
__0016:		;++0 0224
;+++ 	home();
	call	_home			;++0 0225
;+++ 	break;
	j	__0012			;++0 0226
;+++ 	case 'R':
__0017:		;++0 0227
;+++ 	report();
	call	_report			;++0 0228
;+++ 	return;
	ret		;++0 0229
;+++ 	default:
__0018:		;++0 0230
;+++ 	errors += 1;
	ld	hl,_errors		;++0 0231
	add	(hl),1
;+++ 	A = REPLY_BAD;
	ld	a,63		;++0 0232
;+++ 	send(A);
	call	_send			;++0 0233
;+++ 	return;
	ret		;++0 0234
__0012:		;++0 0214
;+++ 	A = REPLY_OK;
	ld	a,79		;++0 0236
;+++ 	send(A);
	call	_send			;++0 0237
;+++ 	void nextPhase(unsigned char A)
_nextPhase:		;++0 0241
;+++ 	A++;
	inc	a			;++0 0243
;+++ 	A &= 0x03;
	and	a,3		;++0 0244
;+++ 	B = A;
	ld	b,a		;++0 0245
;+++ 	HL = &fullSteps[0];
	ld	hl,_fullSteps		;++0 0246
;+++ 	C = A;
	ld	c,a		;++0 0247
;+++ 	while (C != 0) {
__001c:		;++0 0248
	cmp	c,0
	j	eq,__001d
;+++ 	HL++;
	inc	hl			;++0 0249
;+++ 	C--;
	dec	c			;++0 0250
	j	__001c	
__001d:
;+++ 	A = *HL;
	ld	a,(hl)		;++0 0252
;+++ 	void rampUp(unsigned char A)
_rampUp:		;++0 0256
;+++ 	if (A < RAMP_STEPS - 1) {
	cmp	a,7		;++0 0258
	j	ge,__001e
;+++ 	A++;
	inc	a			;++0 0259
__001e:
;+++ 	B = A;
	ld	b,a		;++0 0261
;+++ 	HL = &ramp[0];
	ld	hl,_ramp		;++0 0262
;+++ 	C = A;
	ld	c,a		;++0 0263
;+++ 	while (C != 0) {
__001f:		;++0 0264
	cmp	c,0
	j	eq,__0020
;+++ 	HL++;
	inc	hl			;++0 0265
;+++ 	C--;
	dec	c			;++0 0266
	j	__001f	
__0020:
;+++ 	C = *HL;
	ld	c,(hl)		;++0 0268
;+++ 	A = B;
	ld	a,b		;++0 0269
;+++ 	void tickX(void)
_tickX:		;++0 0273
;+++ 	A = axisX.moving;
	ld	hl,_axisX+3		;++0 0275
	ld	a,(hl)
;+++ 	if (A == 0) {
	cmp	a,0		;++0 0276
	j	ne,__0021
;+++ 	return;
	ret		;++0 0277
__0021:
;+++ 	A = limits;
	ld	a,(_limits)		;++0 0279
;+++ 	A &= LIMIT_X;
	and	a,1		;++0 0280
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0281
	j	eq,__0022
;+++ 	axisX.moving = 0;
	ld	hl,_axisX+3		;++0 0282
	ld	(hl),0
;+++ 	axisX.homed = 1;
	ld	hl,_axisX+4		;++0 0283
	ld	(hl),1
;+++ 	return;
	ret		;++0 0284
__0022:
;+++ 	A = axisX.wait;
	ld	hl,_axisX+2		;++0 0286
	ld	a,(hl)
;+++ 	A--;
	dec	a			;++0 0287
;+++ 	axisX.wait = A;
	ld	hl,_axisX+2		;++0 0288
	ld	(hl),a
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0289
	j	eq,__0023
;+++ 	return;
	ret		;++0 0290
__0023:
	ld	hl,_axisX		;++0 0292
	ld	a,(hl)
	call	_nextPhase			;++0 0293
;+++ 	coilsX = A;
	ld	(_coilsX),a		;++0 0294
;+++ 	axisX.phase = B;
	ld	hl,_axisX		;++0 0295
	ld	(hl),b
;+++ 	A = axisX.speed;
	ld	hl,_axisX+1		;++0 0296
	ld	a,(hl)
;+++ 	rampUp(A);
	call	_rampUp			;++0 0297
;+++ 	axisX.speed = A;
	ld	hl,_axisX+1		;++0 0298
	ld	(hl),a
;+++ 	axisX.wait = C;
	ld	hl,_axisX+2		;++0 0299
	ld	(hl),c
;+++ 	A = axisX.steps;
	ld	hl,_axisX+5		;++0 0300
	ld	a,(hl)
;+++ 	A--;
	dec	a			;++0 0301
;+++ 	axisX.steps = A;
	ld	hl,_axisX+5		;++0 0302
	ld	(hl),a
;+++ 	if (A == 0) {
	cmp	a,0		;++0 0303
	j	ne,__0024
;+++ 	axisX.moving = 0;
	ld	hl,_axisX+3		;++0 0304
	ld	(hl),0
__0024:
;+++ 	void tickY(void)
_tickY:		;++0 0309
;+++ 	A = axisY.moving;
	ld	hl,_axisY+3		;++0 0311
	ld	a,(hl)
;+++ 	if (A == 0) {
	cmp	a,0		;++0 0312
	j	ne,__0025
;+++ 	return;
	ret		;++0 0313
__0025:
;+++ 	A = limits;
	ld	a,(_limits)		;++0 0315
;+++ 	A &= LIMIT_Y;
	and	a,2		;++0 0316
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0317
	j	eq,__0026
;+++ 	axisY.moving = 0;
	ld	hl,_axisY+3		;++0 0318
	ld	(hl),0
;+++ 	axisY.homed = 1;
	ld	hl,_axisY+4		;++0 0319
	ld	(hl),1
;+++ 	return;
	ret		;++0 0320
__0026:
;+++ 	A = axisY.wait;
	ld	hl,_axisY+2		;++0 0322
	ld	a,(hl)
;+++ 	A--;
	dec	a			;++0 0323
;+++ 	axisY.wait = A;
	ld	hl,_axisY+2		;++0 0324
	ld	(hl),a
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0325
	j	eq,__0027
;+++ 	return;
	ret		;++0 0326
__0027:
	ld	hl,_axisY		;++0 0328
	ld	a,(hl)
	call	_nextPhase			;++0 0329
;+++ 	coilsY = A;
	ld	(_coilsY),a		;++0 0330
;+++ 	axisY.phase = B;
	ld	hl,_axisY		;++0 0331
	ld	(hl),b
;+++ 	A = axisY.speed;
	ld	hl,_axisY+1		;++0 0332
	ld	a,(hl)
;+++ 	rampUp(A);
	call	_rampUp			;++0 0333
;+++ 	axisY.speed = A;
	ld	hl,_axisY+1		;++0 0334
	ld	(hl),a
;+++ 	axisY.wait = C;
	ld	hl,_axisY+2		;++0 0335
	ld	(hl),c
;+++ 	A = axisY.steps;
	ld	hl,_axisY+5		;++0 0336
	ld	a,(hl)
;+++ 	A--;
	dec	a			;++0 0337
;+++ 	axisY.steps = A;
	ld	hl,_axisY+5		;++0 0338
	ld	(hl),a
;+++ 	if (A == 0) {
	cmp	a,0		;++0 0339
	j	ne,__0028
;+++ 	axisY.moving = 0;
	ld	hl,_axisY+3		;++0 0340
	ld	(hl),0
__0028:
;+++ 	void timer(void)
_timer:		;++0 0345
	push	hl			;++0 0347
;+++ 	PUSH(BC);
	push	bc			;++0 0348
;+++ 	ticks += 1;
	add	(_ticks),1		;++0 0349
;+++ 	tickX();
	call	_tickX			;++0 0350
;+++ 	tickY();
	call	_tickY			;++0 0351
;+++ 	POP(BC);
	pop	bc			;++0 0352
;+++ 	POP(HL);
	pop	hl			;++0 0353
;+++ 	RETI;
	reti		;++0 0354
;+++ 	void receive(void)
_receive:		;++0 0358
;+++ 	PUSH(HL);
	push	hl			;++0 0360
;+++ 	PUSH(BC);
	push	bc			;++0 0361
;+++ 	A = serialData;
	ld	a,(_serialData)		;++0 0362
;+++ 	if (A == END_OF_LINE) {
	cmp	a,13		;++0 0363
	j	ne,__0029
;+++ 	lineReady = 1;
	ld	(_lineReady),1		;++0 0364
;+++ 	} else {
	j	__002a			;++0 0365
__0029:
;+++ 	B = A;
	ld	b,a		;++0 0366
;+++ 	A = received;
	ld	a,(_received)		;++0 0367
;+++ 	if (A < LINE_SIZE - 1) {
	cmp	a,15		;++0 0368
	j	ge,__002b
;+++ 	HL = &line[0];
	ld	hl,_line		;++0 0369
;+++ 	C = A;
	ld	c,a		;++0 0370
;+++ 	while (C != 0) {
__002c:		;++0 0371
	cmp	c,0
	j	eq,__002d
;+++ 	HL++;
	inc	hl			;++0 0372
;+++ 	C--;
	dec	c			;++0 0373
	j	__002c	
__002d:
;+++ 	*HL = B;
	ld	(hl),b		;++0 0375
;+++ 	A++;
	inc	a			;++0 0376
;+++ 	received = A;
	ld	(_received),a		;++0 0377
;+++ 	} else {
	j	__002e			;++0 0378
__002b:
;+++ 	errors += 1;
	ld	hl,_errors		;++0 0379
	add	(hl),1
__002e:
__002a:
;+++ 	POP(BC);
	pop	bc			;++0 0382
;+++ 	POP(HL);
	pop	hl			;++0 0383
;+++ 	RETI;
	reti		;++0 0384
;+++ 	void waitIdle(void)
_waitIdle:		;++0 0388
;+++ 	do {
__002f:		;++0 0390
;+++ 	A = axisX.moving;
	ld	hl,_axisX+3		;++0 0391
	ld	a,(hl)
;+++ 	A |= axisY.moving;
	ld	hl,_axisY+3		;++0 0392
	or	a,(hl)
;+++ 	} while (A != 0);
__0030:		;++0 0393
	cmp	a,0
	j	ne,__002f
__0031:
;+++ 	void main(void)
_main:		;++0 0396
	di		;++0 0398
	ld	sp,1024		;++0 0399
;+++ 	stopAll();
	call	_stopAll			;++0 0400
;+++ 	clearLine();
	call	_clearLine			;++0 0401
;+++ 	errors = 0;
	ld	hl,_errors		;++0 0402
	ld	(hl),0
;+++ 	replies = 0;
	ld	hl,_replies		;++0 0403
	ld	(hl),0
;+++ 	home();
	call	_home			;++0 0404
;+++ 	EI;
	ei		;++0 0405
;+++ 	waitIdle();
	call	_waitIdle			;++0 0406
__0033:
;+++ 	A = lineReady;
	ld	a,(_lineReady)		;++0 0408
;+++ 	if (A != 0) {
	cmp	a,0		;++0 0409
	j	eq,__0035
;+++ 	execute();
	call	_execute			;++0 0410
;+++ 	clearLine();
	call	_clearLine			;++0 0411
__0035:
;+++ 	for (;;) {
__0032:		;++0 0407
	j	__0033			;++0 0411
__0034:

vectors	section romdata abs = 0xfffa
;+++ 	const entry receiveVector = receive;
_receiveVector		dw	_receive
;+++ 	const entry timerVector = timer;
_timerVector		dw	_timer
;+++ 	const entry resetVector = main;
_resetVector		dw	_main
	end
