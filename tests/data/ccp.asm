;	ccp.asm - console command processor fragment, DRI style
;	(indented labels, "!" statements, conditional assembly, restarts)

	title	'console command processor'
	maclib	diskdef
true	equ	0ffffh
false	equ	not true
debug	set	false
bdos	equ	0005h
fcb	equ	005ch
buff	equ	0080h

	org	0100h
	cseg

	if	debug
	rst	7		;break into the debugger
	endif

ccp:	lxi sp,stack! call init
	mvi c,13! call bdos	;reset disk system
	lda cdisk! mov e,a! mvi c,14! call bdos

	; read a command line
    getcmd:
	lxi d,comlen-1! mvi a,80! stax d
	mvi c,10! call bdos
	lda comlen! ora a! jz getcmd
	lxi h,combuf! mov b,a
    upcase:	mov a,m! cpi 'a'! jc upc1
	cpi 'z'+1! jnc upc1! ani 5fh! mov m,a
    upc1:	inx h! dcr b! jnz upcase

	; look the command up
	lxi h,intvec! mvi c,0
    intvec0:
	mov a,m! ora a! jz transient	;end of the table
	push h! call compare! pop h! jz intfound
	inx h! inx h! inr c! jmp intvec0
    intfound:
	mov a,c! add a! mov e,a! mvi d,0
	lxi h,jmptab! dad d
	mov e,m! inx h! mov d,m! xchg! pchl

	; set up the file name, count down its length
    setnam:	mvi b,8
    setnam0:	mov a,m! stax d! inx h! inx d
	dcr b ;count down length! jnz setnam0
	ret	;done! next we look for the type

    transient:
	lxi d,fcb! mvi c,15! call bdos
	inr a! jz nofile
	lxi h,0100h! shld loadp
    load0:	lhld loadp! xchg! mvi c,26! call bdos
	lxi d,fcb! mvi c,20! call bdos
	ora a! jnz loaded
	lhld loadp! lxi d,128! dad d! shld loadp
	jmp load0
    loaded:	call 0100h! jmp ccp

    nofile:	lxi d,errmsg! mvi c,9! call bdos! jmp ccp

	; the restart vector for the debugger
	if	debug
	rst	1
	rst	0
	else
	nop! nop
	endif

    init:	xra a! sta cdisk! ret
    compare:	ldax d! cmp m! rnz! inx d! inx h! dcr c! jnz compare! ret

	; the interrupt handler, not for the 8080 part
	di! push psw! push h
	lhld ticks! inx h! shld ticks
	pop h! pop psw! ei! ret
	hlt

	; tables
intvec:	db	'DIR ','ERA ','TYPE','SAVE',0
jmptab:	dw	direct,erase,type,save
errmsg:	db	'No file!$'	;a "!" inside quotes
cdisk:	ds	1
loadp:	ds	2
ticks:	dw	0
comlen:	ds	1
combuf:	ds	128
	ds	32
stack:
	end	ccp
