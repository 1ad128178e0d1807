// Test bench of examples/verilog/rv32im.v: a 1 KiB memory answering the bus
// after 0 to 2 wait cycles, a hand-assembled program (below) and a check of
// the result words it stores at 0x300. The program sums 1..10 in a loop,
// multiplies, divides (also by zero), stores and loads bytes, shifts, runs
// compressed instructions (one 32-bit instruction on a halfword boundary),
// traps on ecall, an illegal instruction and a misaligned load (the handler
// counts traps and steps over the instruction), reads instret, then enables
// the external interrupt, which the bench raises when the program writes
// 0x3f8 and drops when the handler writes 0x3f4. Writing 0x3fc ends the run.
// Prints "rv32im: PASS" or the failing words.
`timescale 1ns / 1ps
module tb;
  parameter BARREL = 1;
  reg clk = 1'b0;
  reg resetn = 1'b0;
  wire bus_req, bus_fetch;
  wire [31:0] bus_addr, bus_wdata;
  wire [3:0] bus_wmask;
  reg bus_ack = 1'b0;
  reg [31:0] bus_rdata = 32'd0;
  reg irq_external = 1'b0;
  wire trace_valid, trace_trap, trace_rd_we, dbg_halted;
  wire [31:0] trace_pc, trace_insn, trace_rd_data, trace_cause;
  wire [4:0] trace_rd;

  rv32im #(.BARREL_SHIFTER(BARREL)) dut(
    .clk(clk), .resetn(resetn), .bus_req(bus_req), .bus_fetch(bus_fetch), .bus_addr(bus_addr),
    .bus_wdata(bus_wdata), .bus_wmask(bus_wmask), .bus_ack(bus_ack), .bus_rdata(bus_rdata),
    .irq_software(1'b0), .irq_timer(1'b0), .irq_external(irq_external), .dbg_halt_req(1'b0),
    .dbg_halted(dbg_halted), .dbg_reg_addr(5'd0), .dbg_reg_data(), .dbg_pc(), .trace_valid(trace_valid), .trace_trap(trace_trap), .trace_pc(trace_pc),
    .trace_insn(trace_insn), .trace_rd(trace_rd), .trace_rd_we(trace_rd_we), .trace_rd_data(trace_rd_data),
    .trace_cause(trace_cause));

  reg [31:0] mem [0:255];
  reg [31:0] expected [0:14];
  reg [7:0] lfsr = 8'h5a;
  reg [1:0] wait_cycles = 2'd0;
  reg done = 1'b0;
  integer cycles = 0, k, failures = 0, retired = 0, traps = 0;

  always #5 clk = !clk;

  initial begin
    for (k = 0; k < 256; k = k + 1) mem[k] = 32'd0;
    mem[0] = 32'h0380006f;  // j start
    mem[1] = 32'h00000013;  // nop
    mem[2] = 32'h00000013;  // nop
    mem[3] = 32'h00000013;  // nop
    mem[4] = 32'h342022f3;  // csrr t0, mcause
    mem[5] = 32'h00190913;  // addi s2, s2, 1
    mem[6] = 32'h00028993;  // mv s3, t0
    mem[7] = 32'h0002ca63;  // blt t0, zero, irq
    mem[8] = 32'h34102373;  // csrr t1, mepc
    mem[9] = 32'h00430313;  // addi t1, t1, 4
    mem[10] = 32'h34131073;  // csrw mepc, t1
    mem[11] = 32'h30200073;  // mret
    mem[12] = 32'h3e002a23;  // sw zero, 0x3f4(zero)   # tell the bench to drop irq_external
    mem[13] = 32'h30200073;  // mret
    mem[14] = 32'h00000913;  // li s2, 0   # trap count
    mem[15] = 32'h00000513;  // li a0, 0
    mem[16] = 32'h00100593;  // li a1, 1
    mem[17] = 32'h00b00613;  // li a2, 11
    mem[18] = 32'h00b50533;  // add a0, a0, a1
    mem[19] = 32'h00158593;  // addi a1, a1, 1
    mem[20] = 32'hfec59ce3;  // bne a1, a2, loop
    mem[21] = 32'h4d200693;  // li a3, 1234
    mem[22] = 32'hdc900713;  // li a4, -567
    mem[23] = 32'h02e687b3;  // mul a5, a3, a4
    mem[24] = 32'h02e69833;  // mulh a6, a3, a4
    mem[25] = 32'h000183b7;  // lui t2, 0x18
    mem[26] = 32'h6a038393;  // addi t2, t2, 0x6a0   # t2 = 100000
    mem[27] = 32'h02e3ca33;  // div s4, t2, a4
    mem[28] = 32'h02e3eab3;  // rem s5, t2, a4
    mem[29] = 32'h0203db33;  // divu s6, t2, zero
    mem[30] = 32'h20000e13;  // li t3, 0x200
    mem[31] = 32'hffe00e93;  // li t4, -2
    mem[32] = 32'h01de02a3;  // sb t4, 5(t3)
    mem[33] = 32'h005e4b83;  // lbu s7, 5(t3)
    mem[34] = 32'h005e0c03;  // lb s8, 5(t3)
    mem[35] = 32'h004e2c83;  // lw s9, 4(t3)
    mem[36] = 32'h40375d13;  // srai s10, a4, 3
    mem[37] = 32'h1d930515;  // c.addi a0, 5; slli s11, a0, 4   # on a halfword boundary
    mem[38] = 32'h8fee0045;  // c.mv t6, s11
    mem[39] = 32'h00000073;  // ecall
    mem[40] = 32'hffffffff;  // .word 0xffffffff   # illegal
    mem[41] = 32'h002e2f03;  // lw t5, 2(t3)   # misaligned
    mem[42] = 32'hc02021f3;  // rdinstret gp
    mem[43] = 32'h7ff00293;  // li t0, 0x7ff
    mem[44] = 32'h00128293;  // addi t0, t0, 1   # 0x800: MEIE
    mem[45] = 32'h30429073;  // csrw mie, t0
    mem[46] = 32'h30046073;  // csrsi mstatus, 8
    mem[47] = 32'h3e002c23;  // sw zero, 0x3f8(zero)   # ask the bench for irq_external
    mem[48] = 32'h00400313;  // li t1, 4
    mem[49] = 32'h00691063;  // bne s2, t1, wait
    mem[50] = 32'h30a02023;  // sw a0, 0x300(zero)
    mem[51] = 32'h30f02223;  // sw a5, 0x304(zero)
    mem[52] = 32'h31002423;  // sw a6, 0x308(zero)
    mem[53] = 32'h31402623;  // sw s4, 0x30c(zero)
    mem[54] = 32'h31502823;  // sw s5, 0x310(zero)
    mem[55] = 32'h31602a23;  // sw s6, 0x314(zero)
    mem[56] = 32'h31702c23;  // sw s7, 0x318(zero)
    mem[57] = 32'h31802e23;  // sw s8, 0x31c(zero)
    mem[58] = 32'h33902023;  // sw s9, 0x320(zero)
    mem[59] = 32'h33a02223;  // sw s10, 0x324(zero)
    mem[60] = 32'h33b02423;  // sw s11, 0x328(zero)
    mem[61] = 32'h33f02623;  // sw t6, 0x32c(zero)
    mem[62] = 32'h33202823;  // sw s2, 0x330(zero)
    mem[63] = 32'h33302a23;  // sw s3, 0x334(zero)
    mem[64] = 32'h32302c23;  // sw gp, 0x338(zero)
    mem[65] = 32'h00100293;  // li t0, 1
    mem[66] = 32'h3e502e23;  // sw t0, 0x3fc(zero)   # done
    mem[67] = 32'h0000006f;  // j .
    expected[0] = 32'd60;          // 1 + ... + 10, then c.addi 5
    expected[1] = 32'hfff552e2;    // 1234 * -567
    expected[2] = 32'hffffffff;    // its high word
    expected[3] = 32'hffffff50;    // 100000 / -567 = -176
    expected[4] = 32'd208;         // 100000 % -567
    expected[5] = 32'hffffffff;    // division by zero
    expected[6] = 32'h000000fe;    // lbu
    expected[7] = 32'hfffffffe;    // lb
    expected[8] = 32'h0000fe00;    // lw of the word holding the byte
    expected[9] = 32'hffffffb9;    // -567 >>> 3
    expected[10] = 32'd960;        // 60 << 4
    expected[11] = 32'd960;        // c.mv
    expected[12] = 32'd4;          // three exceptions and one interrupt
    expected[13] = 32'h8000000b;   // the last cause: external interrupt
    expected[14] = 32'd78;         // instructions retired before rdinstret
    repeat (3) @(posedge clk);
    resetn = 1'b1;
  end

  // the memory: acknowledges a request after 0 to 2 wait cycles
  always @(posedge clk) begin
    lfsr <= {lfsr[6:0], lfsr[7] ^ lfsr[5] ^ lfsr[4] ^ lfsr[3]};
    bus_ack <= 1'b0;
    if (bus_req && !bus_ack) begin
      if (wait_cycles == 2'd0 && lfsr[1:0] == 2'b11) begin
        wait_cycles <= 2'd1;
      end else begin
        wait_cycles <= 2'd0;
        bus_ack <= 1'b1;
        bus_rdata <= mem[bus_addr[9:2]];
        if (bus_wmask[0]) mem[bus_addr[9:2]][7:0] <= bus_wdata[7:0];
        if (bus_wmask[1]) mem[bus_addr[9:2]][15:8] <= bus_wdata[15:8];
        if (bus_wmask[2]) mem[bus_addr[9:2]][23:16] <= bus_wdata[23:16];
        if (bus_wmask[3]) mem[bus_addr[9:2]][31:24] <= bus_wdata[31:24];
        if (bus_wmask != 4'd0 && bus_addr[9:0] == 10'h3f8) irq_external <= 1'b1;
        if (bus_wmask != 4'd0 && bus_addr[9:0] == 10'h3f4) irq_external <= 1'b0;
        if (bus_wmask != 4'd0 && bus_addr[9:0] == 10'h3fc) done <= 1'b1;
      end
    end
  end

  always @(posedge clk) begin
    cycles <= cycles + 1;
    if (trace_valid && !trace_trap) retired <= retired + 1;
    if (trace_valid && trace_trap) traps <= traps + 1;
    if (done) begin
      for (k = 0; k < 15; k = k + 1)
        if (mem[192 + k] !== expected[k]) begin
          $display("word 0x%h: %h, expected %h", 32'h300 + 4 * k, mem[192 + k], expected[k]);
          failures = failures + 1;
        end
      if (traps != 4) begin
        $display("trace: %0d traps, expected 4", traps);
        failures = failures + 1;
      end
      $display("rv32im: %0d cycles, %0d instructions retired", cycles, retired);
      if (failures == 0) $display("rv32im: PASS");
      else $display("rv32im: FAIL");
      $finish;
    end
    if (cycles > 20000) begin
      $display("rv32im: FAIL (timeout at pc %h)", dut.pc);
      $finish;
    end
  end
endmodule
