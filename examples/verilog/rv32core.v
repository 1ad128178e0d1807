// A small 32-bit register-file CPU: 31 general registers (x0 reads 0), an ALU
// for register and immediate operations, loads and stores through a data
// port, branches and jumps, and a program counter. Instructions come from an
// instruction port; the register file is a memory of 32 words.
module rv32core(input clk, input rst, input [31:0] instr, input [31:0] rdata,
                output [31:0] pc_out, output [31:0] addr, output [31:0] wdata, output mem_we);
  reg [31:0] pc;
  reg [31:0] regs [0:31];
  reg [31:0] ir;
  reg [1:0] phase;

  wire [6:0] opcode = ir[6:0];
  wire [4:0] rd = ir[11:7];
  wire [2:0] funct3 = ir[14:12];
  wire [4:0] rs1 = ir[19:15];
  wire [4:0] rs2 = ir[24:20];
  wire [6:0] funct7 = ir[31:25];

  wire [31:0] imm_i = {{20{ir[31]}}, ir[31:20]};
  wire [31:0] imm_s = {{20{ir[31]}}, ir[31:25], ir[11:7]};
  wire [31:0] imm_b = {{19{ir[31]}}, ir[31], ir[7], ir[30:25], ir[11:8], 1'b0};
  wire [31:0] imm_u = {ir[31:12], 12'b0};
  wire [31:0] imm_j = {{11{ir[31]}}, ir[31], ir[19:12], ir[20], ir[30:21], 1'b0};

  wire [31:0] a = rs1 == 0 ? 32'd0 : regs[rs1];
  wire [31:0] b = rs2 == 0 ? 32'd0 : regs[rs2];

  wire is_op = opcode == 7'b0110011;
  wire is_opimm = opcode == 7'b0010011;
  wire is_load = opcode == 7'b0000011;
  wire is_store = opcode == 7'b0100011;
  wire is_branch = opcode == 7'b1100011;
  wire is_jal = opcode == 7'b1101111;
  wire is_jalr = opcode == 7'b1100111;
  wire is_lui = opcode == 7'b0110111;
  wire is_auipc = opcode == 7'b0010111;

  wire [31:0] operand = is_op ? b : imm_i;
  wire sub = is_op && funct7[5];
  reg [31:0] alu;
  always @* begin
    case (funct3)
      3'b000: alu = sub ? a - operand : a + operand;
      3'b001: alu = a << operand[4:0];
      3'b010: alu = {31'b0, $signed(a) < $signed(operand)};
      3'b011: alu = {31'b0, a < operand};
      3'b100: alu = a ^ operand;
      3'b101: alu = funct7[5] ? $signed(a) >>> operand[4:0] : a >> operand[4:0];
      3'b110: alu = a | operand;
      default: alu = a & operand;
    endcase
  end

  reg taken;
  always @* begin
    case (funct3)
      3'b000: taken = a == b;
      3'b001: taken = a != b;
      3'b100: taken = $signed(a) < $signed(b);
      3'b101: taken = $signed(a) >= $signed(b);
      3'b110: taken = a < b;
      3'b111: taken = a >= b;
      default: taken = 1'b0;
    endcase
  end

  wire [31:0] next_seq = pc + 32'd4;
  wire [31:0] result = is_lui ? imm_u :
                       is_auipc ? pc + imm_u :
                       (is_jal || is_jalr) ? next_seq :
                       is_load ? rdata : alu;
  wire writes_rd = (is_op || is_opimm || is_load || is_jal || is_jalr || is_lui || is_auipc) && rd != 0;
  wire [31:0] next_pc = is_jal ? pc + imm_j :
                        is_jalr ? (a + imm_i) & ~32'd1 :
                        (is_branch && taken) ? pc + imm_b : next_seq;

  always @(posedge clk) begin
    if (rst) begin
      pc <= 32'd0;
      phase <= 2'd0;
      ir <= 32'h00000013;
    end else if (phase == 2'd0) begin
      ir <= instr;
      phase <= 2'd1;
    end else begin
      pc <= next_pc;
      phase <= 2'd0;
    end
  end

  always @(posedge clk) if (phase == 2'd1 && writes_rd) regs[rd] <= result;

  assign pc_out = pc;
  assign addr = a + (is_store ? imm_s : imm_i);
  assign wdata = b;
  assign mem_we = phase == 2'd1 && is_store;
endmodule
