// A small accumulator processor's data path: a register file of 48 words,
// program counter, instruction register, accumulator, flags and an ALU with
// arithmetic, logic and shift operations. The program comes from a ROM.
//
// Instruction (16 bits): opcode[15:12] reg[11:6] imm[5:0]
module tiny_cpu (
    input         clk,
    input         rst,
    input         run,
    input  [7:0]  io_in,
    output [7:0]  io_out,
    output        zero
);
  localparam NREGS = 48;

  reg [7:0]  pc;
  reg [15:0] ir;
  reg [7:0]  acc;
  reg [7:0]  out_reg;
  reg        zflag, cflag;

  // Program ROM (a fixed demonstration program).
  reg [15:0] program_word;
  always @* begin
    case (pc[4:0])
      5'd0: program_word = 16'h1000;  5'd1: program_word = 16'h2041;
      5'd2: program_word = 16'h3082;  5'd3: program_word = 16'h40c3;
      5'd4: program_word = 16'h5104;  5'd5: program_word = 16'h6145;
      5'd6: program_word = 16'h7186;  5'd7: program_word = 16'h81c7;
      5'd8: program_word = 16'h9208;  5'd9: program_word = 16'ha249;
      5'd10: program_word = 16'hb28a; 5'd11: program_word = 16'hc2cb;
      5'd12: program_word = 16'hd30c; 5'd13: program_word = 16'he34d;
      5'd14: program_word = 16'hf38e; 5'd15: program_word = 16'h03cf;
      default: program_word = 16'h0000;
    endcase
  end

  wire [3:0] opcode = ir[15:12];
  wire [5:0] rsel   = ir[11:6];
  wire [7:0] imm    = {2'b00, ir[5:0]};

  // Register file: one enable register per word, read through an indexed shift.
  wire [8*NREGS-1:0] file_bits;
  wire write_reg = run && opcode == 4'h2;
  genvar i;
  generate
    for (i = 0; i < NREGS; i = i + 1) begin : rf
      reg [7:0] word;
      always @(posedge clk) if (write_reg && rsel == i) word <= acc;
      assign file_bits[8*i +: 8] = word;
    end
  endgenerate
  wire [7:0] operand_reg = file_bits[8*rsel +: 8];
  wire [7:0] operand = opcode[3] ? imm : operand_reg;

  // ALU.
  reg [8:0] alu;
  always @* begin
    case (opcode[2:0])
      3'd0: alu = {1'b0, operand};
      3'd1: alu = acc + operand;
      3'd2: alu = acc - operand;
      3'd3: alu = {1'b0, acc & operand};
      3'd4: alu = {1'b0, acc | operand};
      3'd5: alu = {1'b0, acc ^ operand};
      3'd6: alu = {1'b0, acc << operand[2:0]};
      default: alu = {1'b0, acc >> operand[2:0]};
    endcase
  end

  always @(posedge clk) begin
    if (rst) begin
      pc <= 0;
    end else if (run) begin
      ir <= program_word;
      if (opcode == 4'h1 && !zflag) pc <= imm;
      else pc <= pc + 8'd1;
      if (opcode != 4'h2) begin
        acc <= opcode == 4'h0 ? io_in : alu[7:0];
        zflag <= ~|alu[7:0];
        cflag <= alu[8];
      end
      if (opcode == 4'hf) out_reg <= acc;
    end
  end

  assign io_out = out_reg;
  assign zero = zflag && !cflag;
endmodule
