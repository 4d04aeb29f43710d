; copy.asm - CP/M file copy utility for the 8080
; usage: COPY dest=source
; Written for an 8080 assembler: upper case in the old parts, lower case in the new.

BDOS	EQU	5
FCB1	EQU	5CH
FCB2	EQU	6CH
DMA	EQU	80H
CONOUT	EQU	2
PRINT	EQU	9
OPEN	EQU	15
CLOSE	EQU	16
DELETE	EQU	19
READ	EQU	20
WRITE	EQU	21
MAKE	EQU	22
SETDMA	EQU	26
cr	equ	0dh
lf	equ	0ah
eof	equ	1ah
bufsec	=	64		; sectors in the buffer

	ORG	100H

START:	LXI	H,0
	DAD	SP		; hl = CP/M stack
	SHLD	OLDSP
	LXI	SP,STACK
	CALL	SETUP
	CALL	COPY
	JMP	EXIT

; ---------------------------------------------------------------
; set up the two file control blocks
; ---------------------------------------------------------------
SETUP:	LXI	D,FCB2
	MVI	C,OPEN
	CALL	BDOS
	INR	A		; 0ffh means not found
	JZ	NOFILE
	LXI	D,FCB1
	MVI	C,DELETE
	CALL	BDOS
	LXI	D,FCB1
	MVI	C,MAKE
	CALL	BDOS
	INR	A
	JZ	NODIR
	XRA	A
	STA	FCB1+32
	STA	FCB2+32
	RET

; ---------------------------------------------------------------
; the copy loop: fill the buffer, then empty it
; ---------------------------------------------------------------
COPY:	CALL	FILL
	MOV	A,B
	ORA	A
	RZ			; nothing read: done
	CALL	EMPTY
	LDA	EOFFLG
	ORA	A
	JZ	COPY
	RET

; read up to bufsec sectors into buf; b = count
FILL:	MVI	B,0
	LXI	H,BUF
FILL1:	PUSH	H
	PUSH	B
	XCHG
	MVI	C,SETDMA
	CALL	BDOS
	LXI	D,FCB2
	MVI	C,READ
	CALL	BDOS
	POP	B
	POP	H
	ORA	A
	JNZ	FILL2
	INR	B
	LXI	D,128
	DAD	D
	MOV	A,B
	CPI	bufsec
	JC	FILL1
	RET
FILL2:	MVI	A,1
	STA	EOFFLG
	RET

; write b sectors from buf
EMPTY:	LXI	H,BUF
EMPTY1:	PUSH	H
	PUSH	B
	XCHG
	MVI	C,SETDMA
	CALL	BDOS
	LXI	D,FCB1
	MVI	C,WRITE
	CALL	BDOS
	POP	B
	POP	H
	ORA	A
	JNZ	FULL
	LXI	D,128
	DAD	D
	DCR	B
	JNZ	EMPTY1
	RET

; ---------------------------------------------------------------
; the end
; ---------------------------------------------------------------
EXIT:	LXI	D,FCB1
	MVI	C,CLOSE
	CALL	BDOS
	INR	A
	JZ	NOCLOS
	LXI	D,DONE
FINIS:	MVI	C,PRINT
	CALL	BDOS
	LHLD	OLDSP
	SPHL
	RET

NOFILE:	LXI	D,MSGNF
	JMP	FINIS
NODIR:	LXI	D,MSGND
	JMP	FINIS
FULL:	LXI	D,MSGFL
	JMP	FINIS
NOCLOS:	LXI	D,MSGNC
	JMP	FINIS

; ---------------------------------------------------------------
; helpers added later (lower case)
; ---------------------------------------------------------------
; print the character in a
putch:	push	psw
	push	b
	push	d
	push	h
	mov	e,a
	mvi	c,conout
	call	bdos
	pop	h
	pop	d
	pop	b
	pop	psw
	ret

; print a as two hex digits
hexout:	push	psw
	rrc
	rrc
	rrc
	rrc
	call	nibble
	pop	psw
nibble:	ani	0fh
	adi	90h
	daa
	aci	40h
	daa
	jmp	putch

; 16-bit compare: z if hl = de, c if hl < de
cmphd:	mov	a,h
	cmp	d
	rnz
	mov	a,l
	cmp	e
	ret

; hl = hl - de
subhd:	mov	a,l
	sub	e
	mov	l,a
	mov	a,h
	sbb	d
	mov	h,a
	ret

; negate hl
neghl:	mov	a,h
	cma
	mov	h,a
	mov	a,l
	cma
	mov	l,a
	inx	h
	ret

; shift hl left by one, carry into l
shl1:	dad	h
	ral
	rar
	ret

; count set bits of a into c
popcnt:	mvi	c,0
pop1:	ora	a
	rz
	rlc
	jnc	pop1
	inr	c
	jmp	pop1

; is a a digit? carry clear if so
digit:	cpi	'0'
	rc
	cpi	'9'+1
	cmc
	ret

; sum b bytes at hl into a
sum:	xra	a
sum1:	add	m
	inx	h
	dcr	b
	jnz	sum1
	ret

; xor of b bytes at hl
parity:	mvi	a,0
par1:	xra	m
	inx	h
	dcr	b
	jnz	par1
	ret

; compare the bytes at hl and de for b bytes
memcmp:	ldax	d
	cmp	m
	rnz
	inx	d
	inx	h
	dcr	b
	jnz	memcmp
	ret

; move b bytes from hl to de
memmov:	mov	a,m
	stax	d
	inx	h
	inx	d
	dcr	b
	jnz	memmov
	ret

; store a at the address in bc, fetch it back
bcio:	stax	b
	ldax	b
	ret

; clear the carry, set it, complement it
flags:	ana	a
	stc
	cmc
	ret

; subtract with borrow from a constant
sbconst:	sui	1
	sbi	0
	ret

; test the conditions
conds:	cnz	putch
	cz	putch
	cnc	putch
	cc	putch
	cpo	putch
	cpe	putch
	cp	putch
	cm	putch
	rnc
	rc
	rpo
	rpe
	rp
	rm
	jpo	conds
	jpe	conds
	jp	conds
	jm	conds
	jnc	conds
	ret

; console status through the ports
constat:	in	0
	ani	1
	out	1
	ori	80h
	xri	0ffh
	sbb	a
	ret

; counters
count:	lxi	h,counter
	inr	m
	dcr	m
	mvi	m,0
	lxi	b,0
	dcx	b
	inx	sp
	dcx	sp
	dcx	h
	mov	m,a
	mov	b,m
	xthl
	pchl
	ei
	di
	hlt
	nop
	rst	7

; jump table
jtab:	dw	putch,hexout	; entries; two per line
	dw	cmphd
	db	'copy; done',cr,lf,'$'

; ---------------------------------------------------------------
; messages and data
; ---------------------------------------------------------------
DONE:	DB	'Copy complete',cr,lf,'$'
MSGNF:	DB	'No source file$'
MSGND:	DB	'No directory space$'
MSGFL:	DB	'Disk full; copy not complete$'
MSGNC:	DB	'Cannot close destination$'
EOFFLG:	DB	0
OLDSP:	DW	0
counter:	ds	1
	DS	32
STACK:
BUF:	DS	128*bufsec

	END	START
